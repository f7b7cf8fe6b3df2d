// Content types through QtCore's MIME database. No Qt type leaves this file.
#include "Core/base/ContentType.h"

#include "Core/platform/ContentTypes.h"

#include <QFile>
#include <QMimeDatabase>
#include <QMimeType>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <string_view>

namespace olva {

namespace {

constexpr std::string_view imageFamily = "public.image";
constexpr std::string_view movieFamily = "public.movie";
constexpr std::string_view audioFamily = "public.audio";
constexpr std::string_view textFamily = "public.text";
constexpr std::string_view archiveFamily = "public.archive";
constexpr std::string_view applicationFamily = "com.apple.application";
constexpr std::string_view diskImageFamily = "public.disk-image";
constexpr std::string_view spreadsheetFamily = "public.spreadsheet";
constexpr std::string_view presentationFamily = "public.presentation";
constexpr std::string_view dataFamily = "public.data";

constexpr std::array archives = {
    "application/zip", "application/x-tar", "application/x-ustar", "application/gzip", "application/x-bzip",
    "application/x-bzip2", "application/x-xz", "application/zstd", "application/x-lzma", "application/x-lzip",
    "application/x-lz4", "application/x-lzop", "application/x-compress", "application/x-7z-compressed",
    "application/vnd.rar", "application/x-ace", "application/x-arj", "application/x-alz", "application/x-cpio",
    "application/x-cpio-compressed", "application/x-archive", "application/x-compressed-tar",
    "application/x-bzip-compressed-tar", "application/x-bzip2-compressed-tar", "application/x-xz-compressed-tar",
    "application/x-zstd-compressed-tar", "application/x-lzma-compressed-tar", "application/x-lzip-compressed-tar",
    "application/x-lz4-compressed-tar", "application/x-lrzip", "application/x-lrzip-compressed-tar",
    "application/x-tarz", "application/vnd.ms-cab-compressed", "application/x-java-archive",
};

constexpr std::array applications = {
    "application/x-executable", "application/x-pie-executable", "application/vnd.appimage",
    "application/x-iso9660-appimage", "application/x-ms-dos-executable", "application/x-msi",
    "application/x-desktop", "application/vnd.flatpak", "application/vnd.snap",
};

constexpr std::array diskImages = {
    "application/x-cd-image", "application/x-apple-diskimage", "application/x-raw-disk-image",
    "application/x-raw-disk-image-xz-compressed", "application/x-qemu-disk", "application/x-qed-disk",
    "application/x-vdi-disk", "application/x-vhd-disk", "application/x-vhdx-disk", "application/x-vmdk-disk",
    "application/x-compressed-iso", "application/x-raw-floppy-disk-image",
};

constexpr std::array spreadsheets = {
    "application/vnd.ms-excel", "application/vnd.ms-excel.sheet.macroenabled.12",
    "application/vnd.ms-excel.sheet.binary.macroenabled.12", "application/vnd.ms-excel.template.macroenabled.12",
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet",
    "application/vnd.openxmlformats-officedocument.spreadsheetml.template",
    "application/vnd.oasis.opendocument.spreadsheet", "application/vnd.oasis.opendocument.spreadsheet-template",
    "application/vnd.oasis.opendocument.spreadsheet-flat-xml", "application/vnd.apple.numbers",
    "application/x-applix-spreadsheet", "application/vnd.stardivision.calc", "application/x-gnumeric",
    "application/x-kspread",
};

constexpr std::array presentations = {
    "application/vnd.ms-powerpoint", "application/vnd.ms-powerpoint.presentation.macroenabled.12",
    "application/vnd.ms-powerpoint.slideshow.macroenabled.12", "application/vnd.ms-powerpoint.template.macroenabled.12",
    "application/vnd.openxmlformats-officedocument.presentationml.presentation",
    "application/vnd.openxmlformats-officedocument.presentationml.slideshow",
    "application/vnd.openxmlformats-officedocument.presentationml.template",
    "application/vnd.oasis.opendocument.presentation", "application/vnd.oasis.opendocument.presentation-template",
    "application/vnd.oasis.opendocument.presentation-flat-xml", "application/vnd.apple.keynote",
    "application/vnd.stardivision.impress",
};

// Well-known identifiers of single types.
struct Named {
    std::string_view identifier;
    const char* mime;
};
constexpr std::array namedTypes = {
    Named{"com.adobe.pdf", "application/pdf"},
    Named{"public.plain-text", "text/plain"},
    Named{"public.utf8-plain-text", "text/plain"},
    Named{"public.jpeg", "image/jpeg"},
    Named{"public.png", "image/png"},
    Named{"public.tiff", "image/tiff"},
    Named{"com.compuserve.gif", "image/gif"},
    Named{"public.heic", "image/heic"},
    Named{"public.svg-image", "image/svg+xml"},
    Named{"public.html", "text/html"},
    Named{"public.xml", "application/xml"},
    Named{"public.json", "application/json"},
    Named{"public.rtf", "text/rtf"},
    Named{"public.comma-separated-values-text", "text/csv"},
    Named{"public.zip-archive", "application/zip"},
    Named{"org.gnu.gnu-zip-archive", "application/gzip"},
    Named{"public.tar-archive", "application/x-tar"},
    Named{"public.mp3", "audio/mpeg"},
    Named{"public.mpeg-4", "video/mp4"},
    Named{"com.apple.quicktime-movie", "video/quicktime"},
    Named{"public.shell-script", "application/x-shellscript"},
    Named{"com.microsoft.word.doc", "application/msword"},
    Named{"org.openxmlformats.wordprocessingml.document",
          "application/vnd.openxmlformats-officedocument.wordprocessingml.document"},
    Named{"public.folder", "inode/directory"},
    Named{"public.directory", "inode/directory"},
};

constexpr std::array families = {
    imageFamily, movieFamily, audioFamily, textFamily, archiveFamily, applicationFamily,
    diskImageFamily, spreadsheetFamily, presentationFamily, dataFamily,
};

const QMimeDatabase& database()
{
    static const QMimeDatabase db;
    return db;
}

bool isFamily(std::string_view identifier)
{
    return std::find(families.begin(), families.end(), identifier) != families.end();
}

template <std::size_t N>
bool listed(const std::array<const char*, N>& list, const QString& name)
{
    const QByteArray utf8 = name.toUtf8();
    return std::any_of(list.begin(), list.end(), [&](const char* item) { return utf8 == item; });
}

// Whether one MIME type (not its ancestors) belongs to a family.
bool member(std::string_view family, const QString& name)
{
    if (family == imageFamily) return name.startsWith(QLatin1String("image/"));
    if (family == movieFamily) return name.startsWith(QLatin1String("video/"));
    if (family == audioFamily) return name.startsWith(QLatin1String("audio/"));
    if (family == textFamily) return name == QLatin1String("text/plain");
    if (family == archiveFamily) return listed(archives, name);
    if (family == applicationFamily) return listed(applications, name);
    if (family == diskImageFamily) return listed(diskImages, name);
    if (family == spreadsheetFamily) return listed(spreadsheets, name);
    if (family == presentationFamily) return listed(presentations, name);
    if (family == dataFamily) return !name.startsWith(QLatin1String("inode/"));
    return false;
}

bool inFamily(std::string_view family, const QMimeType& type)
{
    if (member(family, type.name())) return true;
    // Archives, applications and documents are named one by one: their
    // subtypes (an office document is a zip file) are something else.
    bool byAncestry = family == imageFamily || family == movieFamily || family == audioFamily
        || family == textFamily || family == dataFamily;
    if (!byAncestry) return false;
    const QStringList ancestors = type.allAncestors();
    return std::any_of(ancestors.begin(), ancestors.end(), [&](const QString& a) { return member(family, a); });
}

std::optional<ContentType> valid(const QMimeType& type)
{
    if (!type.isValid()) return std::nullopt;
    return ContentType(type.name().toStdString());
}

}  // namespace

std::optional<ContentType> ContentType::named(std::string_view name)
{
    if (isFamily(name)) return ContentType(std::string(name));
    for (const auto& item : namedTypes)
        if (item.identifier == name) return valid(database().mimeTypeForName(QString::fromLatin1(item.mime)));
    if (name.find('/') == std::string_view::npos) return std::nullopt;
    return valid(database().mimeTypeForName(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()))));
}

std::optional<ContentType> ContentType::forExtension(std::string_view extension)
{
    if (extension.empty()) return std::nullopt;
    QString fileName = QStringLiteral("x.")
        + QString::fromUtf8(extension.data(), static_cast<qsizetype>(extension.size()));
    const QList<QMimeType> types = database().mimeTypesForFileName(fileName);
    for (const QMimeType& type : types)
        if (inFamily(dataFamily, type)) return valid(type);
    return std::nullopt;
}

ContentType ContentType::image() { return ContentType(std::string(imageFamily)); }
ContentType ContentType::movie() { return ContentType(std::string(movieFamily)); }
ContentType ContentType::audio() { return ContentType(std::string(audioFamily)); }
ContentType ContentType::pdf() { return ContentType("application/pdf"); }
ContentType ContentType::text() { return ContentType(std::string(textFamily)); }
ContentType ContentType::archive() { return ContentType(std::string(archiveFamily)); }
ContentType ContentType::application() { return ContentType(std::string(applicationFamily)); }
ContentType ContentType::diskImage() { return ContentType(std::string(diskImageFamily)); }
ContentType ContentType::spreadsheet() { return ContentType(std::string(spreadsheetFamily)); }
ContentType ContentType::presentation() { return ContentType(std::string(presentationFamily)); }

bool ContentType::conformsTo(const ContentType& other) const
{
    if (identifier_ == other.identifier_) return true;
    if (isFamily(identifier_)) return false;
    const QMimeType type = database().mimeTypeForName(QString::fromStdString(identifier_));
    if (!type.isValid()) return false;
    if (isFamily(other.identifier_)) return inFamily(other.identifier_, type);
    return type.inherits(QString::fromStdString(other.identifier_));
}

namespace platform {

std::optional<ContentType> contentTypeOf(const std::filesystem::path& path, const FileStatus& status)
{
    const QMimeDatabase& db = database();
    if (status.isDirectory()) return valid(db.mimeTypeForName(QStringLiteral("inode/directory")));
    if (!status.isRegular()) {
        const char* name = S_ISFIFO(status.mode) ? "inode/fifo"
            : S_ISCHR(status.mode)               ? "inode/chardevice"
            : S_ISBLK(status.mode)               ? "inode/blockdevice"
            : S_ISSOCK(status.mode)              ? "inode/socket"
                                                 : "application/octet-stream";
        return valid(db.mimeTypeForName(QString::fromLatin1(name)));
    }
    const QString fileName = QString::fromStdString(path.filename().string());
    const QList<QMimeType> byName = db.mimeTypesForFileName(fileName);
    if (byName.size() == 1) return valid(byName.front());
    // No single answer from the name: look at the first bytes. The file is
    // opened without blocking and must still be the regular file stat saw.
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat st{};
    if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (fd >= 0) close(fd);
        return byName.isEmpty() ? valid(db.mimeTypeForName(QStringLiteral("application/octet-stream")))
                                : valid(byName.front());
    }
    QFile file;
    file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    return valid(db.mimeTypeForFileNameAndData(fileName, &file));
}

}  // namespace platform

}  // namespace olva
