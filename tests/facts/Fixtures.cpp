#include "tests/facts/Fixtures.h"

#include "tests/support/TestSupport.h"

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <unicode/locid.h>
#include <unicode/timezone.h>

#include <cctype>
#include <cstdlib>
#include <ctime>
#include <sstream>
#include <stdexcept>

namespace olva::test {

namespace {

void ensureGui()
{
    // The app's test programs bring their own application.
    if (QCoreApplication::instance()) return;
    static QGuiApplication* app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "test_facts";
        static char* argv[] = {name, nullptr};
        return new QGuiApplication(argc, argv);
    }();
    (void)app;
}

QImage textImage(const std::vector<std::string>& lines, int width, int height)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(44);
    int lineHeight = 70;
    if (height <= 0) height = static_cast<int>(lines.size()) * lineHeight + 80;
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(Qt::black);
    painter.setFont(font);
    int y = 60;
    for (const auto& line : lines) {
        painter.drawText(40, y + 20, QString::fromStdString(line));
        y += lineHeight;
    }
    painter.end();
    return image;
}

std::string escapePdf(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '(' || c == ')' || c == '\\') out += '\\';
        out += c;
    }
    return out;
}

}  // namespace

void pinLocaleAndZone(const std::string& locale, const std::string& zone)
{
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale::setDefault(icu::Locale(locale.c_str()), status);
    if (U_FAILURE(status)) throw std::runtime_error("cannot set the locale");
    setenv("LC_ALL", locale.c_str(), 1);
    icu::TimeZone::adoptDefault(icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(zone)));
    setenv("TZ", zone.c_str(), 1);
    tzset();
}

void writeTextPdf(const std::filesystem::path& path, const std::vector<PdfPage>& pages)
{
    // Objects: 1 catalog, 2 page tree, 3 font, then a page and its content
    // stream for each page.
    std::vector<std::string> objects;
    std::string kids;
    for (std::size_t i = 0; i < pages.size(); ++i) kids += std::to_string(4 + 2 * i) + " 0 R ";
    objects.push_back("<< /Type /Catalog /Pages 2 0 R >>");
    objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages.size()) + " >>");
    objects.push_back("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>");
    for (std::size_t i = 0; i < pages.size(); ++i) {
        std::string content = "BT /F1 14 Tf 18 TL ";
        if (pages[i].invisible) content += "1 1 1 rg ";
        content += "72 720 Td ";
        for (const auto& line : pages[i].lines) content += "(" + escapePdf(line) + ") Tj T* ";
        content += "ET";
        objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 3 0 R >> >> "
                          "/Contents " + std::to_string(5 + 2 * i) + " 0 R >>");
        objects.push_back("<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream");
    }
    std::string pdf = "%PDF-1.4\n";
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    std::size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (std::size_t offset : offsets) {
        char entry[32];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
        pdf += entry;
    }
    pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n"
        + std::to_string(xref) + "\n%%EOF\n";
    writeFile(path, pdf);
}

void writeTextImage(const std::filesystem::path& path, const std::vector<std::string>& lines, int width, int height)
{
    ensureGui();
    if (!textImage(lines, width, height).save(QString::fromStdString(path.string())))
        throw std::runtime_error("cannot save " + path.string());
}

void writeScannedPdf(const std::filesystem::path& path, const std::vector<std::vector<std::string>>& pages)
{
    ensureGui();
    QPdfWriter writer(QString::fromStdString(path.string()));
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(150);
    QPainter painter(&writer);
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (i > 0) writer.newPage();
        QImage image = textImage(pages[i], 1200, 600);
        painter.drawImage(QRect(60, 60, 1000, 500), image);
    }
    painter.end();
}

void writeRecentFiles(const std::filesystem::path& path, const std::vector<RecentEntry>& entries)
{
    std::ostringstream xml;
    xml << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<xbel version=\"1.0\" xmlns:bookmark=\"http://www.freedesktop.org/standards/desktop-bookmarks\" "
           "xmlns:mime=\"http://www.freedesktop.org/standards/shared-mime-info\">\n";
    for (const auto& entry : entries) {
        xml << "  <bookmark href=\"" << entry.href << "\" added=\"2020-01-01T00:00:00Z\"";
        if (!entry.modified.empty()) xml << " modified=\"" << entry.modified << "\"";
        if (!entry.visited.empty()) xml << " visited=\"" << entry.visited << "\"";
        xml << ">\n    <info><metadata owner=\"http://freedesktop.org\"><mime:mime-type type=\"text/plain\"/>"
               "</metadata></info>\n  </bookmark>\n";
    }
    xml << "</xbel>\n";
    std::filesystem::create_directories(path.parent_path());
    writeFile(path, xml.str());
}

std::string simplified(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (std::isalnum(static_cast<unsigned char>(c))) out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        else if (c == '\n') out += '\n';
    }
    while (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}

}  // namespace olva::test
