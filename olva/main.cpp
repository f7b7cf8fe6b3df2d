#include <cstdio>

int main()
{
    std::fputs("usage: olva run | once | import <file> <folder> | explain <file> | log [n] | undo <id> | mcp\n", stderr);
    return 1;
}
