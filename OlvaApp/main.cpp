#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Olva"));
    QApplication::setApplicationName(QStringLiteral("Olva"));
    return 0;
}
