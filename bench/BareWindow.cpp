// The floor of the app's start: a Qt Widgets window holding a sorted table
// of 1,000 rows of four text columns, the size of the activity table, with
// nothing read from disk.
#include <QApplication>
#include <QHeaderView>
#include <QStandardItemModel>
#include <QTableView>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    constexpr int rows = 1000;
    QStandardItemModel model(rows, 4);
    model.setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("Result"), QStringLiteral("Rule"),
                                     QStringLiteral("Date")});
    for (int row = 0; row < rows; ++row) {
        model.setItem(row, 0, new QStandardItem(QStringLiteral("invoice-%1.pdf").arg(row)));
        model.setItem(row, 1, new QStandardItem(QStringLiteral("Moved to Documents/Invoices")));
        model.setItem(row, 2, new QStandardItem(QStringLiteral("Invoices")));
        model.setItem(row, 3, new QStandardItem(QStringLiteral("2025-03-%1 10:00").arg(row % 28 + 1)));
    }
    QTableView table;
    table.setModel(&model);
    table.setSortingEnabled(true);
    table.sortByColumn(3, Qt::DescendingOrder);
    table.verticalHeader()->hide();
    table.resize(1100, 700);
    table.show();
    return app.exec();
}
