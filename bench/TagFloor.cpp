// The least that tagging the files of a folder and logging each can cost:
// per file one setxattr of the tags and one write of a 400-byte line to a
// log opened once. What `olva once` does per handled file is measured
// against it (bench/handle-bench.sh).
//
// usage: bench_tag_floor <folder> <log file>
#include <dirent.h>
#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <folder> <log file>\n", argv[0]);
        return 1;
    }
    std::string folder = argv[1];
    int log = ::open(argv[2], O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    DIR* dir = ::opendir(folder.c_str());
    if (log < 0 || !dir) {
        std::perror("bench_tag_floor");
        return 1;
    }
    std::string line(399, 'x');
    line += '\n';
    const char tags[] = "seen";
    long handled = 0;
    while (dirent* item = ::readdir(dir)) {
        if (item->d_name[0] == '.') continue;
        std::string path = folder + "/" + item->d_name;
        if (::setxattr(path.c_str(), "user.xdg.tags", tags, std::strlen(tags), 0) != 0
            || ::write(log, line.data(), line.size()) != ssize_t(line.size())) {
            std::perror(path.c_str());
            return 1;
        }
        ++handled;
    }
    ::closedir(dir);
    ::close(log);
    std::printf("%ld files\n", handled);
    return 0;
}
