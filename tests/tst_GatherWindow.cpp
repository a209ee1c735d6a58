#include "BrowseParams.h"
#include "GatherWindow.h"
#include "ModalDriver.h"
#include "SegyLine.h"
#include "ShowHeaderTable.h"

#include <QtTest>
#include <QtWidgets>

namespace {

constexpr int kChannels = 24;
constexpr int kPlanted = 5; // channel (from 0) of shot 1 whose source_x is off

QVector<int> selectedRows(QTableView *table)
{
    QVector<int> rows;
    for (const QModelIndex &index : table->selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

} // namespace

class tst_GatherWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    BrowseParams params;
    const QVector<ShotEntry> shots{{1, 0, kChannels - 1}, {2, kChannels, 2 * kChannels - 1}, {3, 2 * kChannels, 3 * kChannels - 1}};
    std::unique_ptr<ShowHeaderTable> viewer;
    GatherWindow *window = nullptr;

    // A viewer on the line with its gather window opened by Ctrl+T, as a user opens it; the
    // window's first shot in unless told not to wait for it.
    void openViewer(bool settle = true)
    {
        viewer = std::make_unique<ShowHeaderTable>(&params, shots);
        viewer->show();
        QVERIFY(QTest::qWaitForWindowActive(viewer.get()));
        QVERIFY(!viewer->findChild<GatherWindow *>());
        QTest::keySequence(viewer.get(), QKeySequence(Qt::CTRL | Qt::Key_T));
        window = viewer->findChild<GatherWindow *>();
        QVERIFY(window && window->isVisible());
        if (settle)
            QTRY_VERIFY(!window->isReading());
    }

    // The viewer's shot changes by its buttons, the window's picture once the traces are in.
    void press(const QStringList &buttons)
    {
        for (const QString &button : buttons)
            QTest::mouseClick(viewer->findChild<QPushButton *>(button), Qt::LeftButton);
        QTRY_VERIFY(!window->isReading());
    }

private slots:
    void initTestCase()
    {
        SegyLine line;
        line.layout.samples = 300;
        line.channels = kChannels;
        line.traces = 3 * kChannels;
        line.firstBreakVelocity = 2000.0;
        line.overrides = {{kChannels + kPlanted, kChannels + kPlanted, 73, 4, 12345}};
        params.segyName = dir.filePath(QStringLiteral("line.sgy"));
        QString error;
        QVERIFY2(line.write(params.segyName, &error), qPrintable(error));
    }

    void cleanup()
    {
        viewer.reset();
    }

    void followsTheShot_data()
    {
        QTest::addColumn<QStringList>("buttons");
        QTest::addColumn<int>("shot");
        QTest::addColumn<QVector<int>>("flagged");
        QTest::newRow("opens on the viewer's shot") << QStringList() << 0 << QVector<int>{};
        QTest::newRow("forward onto the shot with one source_x off") << QStringList{"upButton"} << 1 << QVector<int>{kPlanted};
        QTest::newRow("to the last shot") << QStringList{"toEndButton"} << 2 << QVector<int>{};
        // The second press comes while the first shot's traces are still being read.
        QTest::newRow("on twice, faster than the reads") << QStringList{"upButton", "upButton"} << 2 << QVector<int>{};
    }

    void followsTheShot()
    {
        QFETCH(QStringList, buttons);
        QFETCH(int, shot);
        QFETCH(QVector<int>, flagged);
        openViewer();
        press(buttons);
        QCOMPARE(window->plot().gather().entry.ffid, shots.at(shot).ffid);
        QCOMPARE(window->plot().gather().traceCount(), kChannels);
        QCOMPARE(window->plot().flagged(), flagged);
        QCOMPARE(window->windowTitle(), QStringLiteral("Traces of FFID %1").arg(shots.at(shot).ffid));
        // It belongs to the viewer and goes with it.
        viewer->reject();
        QVERIFY(!window->isVisible());
    }

    // Gone while a shot is being read: the window waits for its reader, which works on its members.
    void closedWhileReading()
    {
        openViewer(false);
        QTest::mouseClick(viewer->findChild<QPushButton *>(QStringLiteral("upButton")), Qt::LeftButton);
        viewer.reset();
    }

    void selectionBothWays()
    {
        openViewer();
        auto *table = viewer->findChild<QTableView *>(QStringLiteral("tableView"));
        QWidget *canvas = window->findChild<QWidget *>(QStringLiteral("gatherCanvas"));
        const auto click = [&](int trace, Qt::KeyboardModifiers modifiers) {
            const QPoint at(int(window->plot().traceCentre(trace, canvas->size())), canvas->height() / 2);
            QTest::mouseClick(canvas, Qt::LeftButton, modifiers, at);
        };
        for (int round = 0; round < 2; ++round) {
            // The table's selection highlights the traces...
            table->selectionModel()->select(table->model()->index(3, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
            table->selectionModel()->select(table->model()->index(7, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
            QCOMPARE(window->plot().selected(), QVector<int>({3, 7}));
            // ...and a click on a trace selects its row, with Ctrl one more.
            click(10, Qt::NoModifier);
            QCOMPARE(selectedRows(table), QVector<int>({10}));
            click(12, Qt::ControlModifier);
            QCOMPARE(selectedRows(table), QVector<int>({10, 12}));
            QCOMPARE(window->plot().selected(), QVector<int>({10, 12}));
            // A new shot comes with a new table model: nothing selected, and the link still holds.
            press({QStringLiteral("upButton")});
            QCOMPARE(window->plot().selected(), QVector<int>());
        }
    }

    void styles_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<bool>("coloured");
        QTest::newRow("Grey") << 0 << false;
        QTest::newRow("Red-white-blue") << 1 << true;
        QTest::newRow("Wiggles") << 2 << false;
    }

    // The style combo repaints the traces on screen: in colour for red-white-blue only.
    void styles()
    {
        QFETCH(int, style);
        QFETCH(bool, coloured);
        openViewer();
        window->findChild<QComboBox *>(QStringLiteral("styleCombo"))->setCurrentIndex(style);
        QWidget *canvas = window->findChild<QWidget *>(QStringLiteral("gatherCanvas"));
        const QImage shown = canvas->grab().toImage();
        const QRect traces = window->plot().plotRect(canvas->size());
        int colours = 0;
        for (int y = traces.top(); y <= traces.bottom(); y += 3) {
            for (int x = traces.left(); x <= traces.right(); x += 3) {
                const QRgb pixel = shown.pixel(x, y);
                colours += qRed(pixel) != qGreen(pixel) || qGreen(pixel) != qBlue(pixel);
            }
        }
        QCOMPARE(colours > 0, coloured);
    }

    // Through the button and the file dialog; the file holds the picture on screen.
    void savesPng()
    {
        openViewer();
        const QString path = dir.filePath(QStringLiteral("traces.png"));
        ModalDriver driver;
        driver.then("QFileDialog", [&](QWidget *dialog) {
            dialog->findChild<QLineEdit *>()->setText(path);
            QTest::keyClick(dialog->findChild<QLineEdit *>(), Qt::Key_Return);
        });
        QTest::mouseClick(window->findChild<QToolButton *>(), Qt::LeftButton);
        QVERIFY2(driver.finished(), qPrintable(driver.faults()));
        const QImage saved(path);
        QVERIFY(!saved.isNull());
        QCOMPARE(saved.convertToFormat(QImage::Format_RGB32),
                 window->findChild<QWidget *>(QStringLiteral("gatherCanvas"))->grab().toImage().convertToFormat(QImage::Format_RGB32));
    }
};

QTEST_MAIN(tst_GatherWindow)
#include "tst_GatherWindow.moc"
