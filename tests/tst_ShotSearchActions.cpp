#include "BrowseParams.h"
#include "ModalDriver.h"
#include "OpenLine.h"
#include "SegyLine.h"
#include "ShotSearchActions.h"
#include "ShotTable.h"
#include "ShowHeaderTable.h"

#include <QAbstractItemModelTester>
#include <QtTest>
#include <QtWidgets>

namespace {

// Nine shots of four channels, FFIDs 101 to 109. Shot 0's s_elev varies, shot 2 repeats channel 3,
// shot 4 takes FFID 102 again, shot 6 lacks channels 4 and 5, and shot 8 has three traces where
// the others have four. Shots 1, 3, 5 and 7 are clean.
SegyLine mixedLine()
{
    SegyLine line;
    line.channels = 4;
    line.traces = 35;
    line.ffidStart = 101;
    line.inconsistent = {{0, SegyLine::SourceField::SElev}};
    line.overrides = {{11, 11, 13, 4, 3}, {16, 19, 9, 4, 102}, {27, 27, 13, 4, 6}};
    return line;
}

// Five clean shots, or with flaggedShot set, that shot's s_elev varying.
SegyLine cleanLine(int flaggedShot = -1)
{
    SegyLine line;
    line.channels = 4;
    line.traces = 20;
    if (flaggedShot >= 0)
        line.inconsistent = {{flaggedShot, SegyLine::SourceField::SElev}};
    return line;
}

QWidget *notice()
{
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window->objectName() == QLatin1String("shotSearchNotice"))
            return window;
    }
    return nullptr;
}

QString noticeText()
{
    const QWidget *shown = notice();
    return shown && shown->isVisible() ? static_cast<const QLabel *>(shown)->text() : QString();
}

// Picks the entry from the table's context menu, clicking it from inside the menu's own loop.
bool chooseFromMenu(QTableView *table, const QString &entry)
{
    bool clicked = false;
    QTimer::singleShot(0, table, [&] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        for (QAction *action : menu ? menu->actions() : QList<QAction *>()) {
            if (action->text() == entry && !clicked) {
                clicked = true;
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
            }
        }
        if (menu && !clicked)
            menu->close();
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(4, 4), table->viewport()->mapToGlobal(QPoint(4, 4)));
    QApplication::sendEvent(table->viewport(), &event);
    return clicked;
}

} // namespace

class tst_ShotSearchActions : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    BrowseParams params;
    QVector<ShotEntry> shots;
    std::unique_ptr<ShowHeaderTable> viewer;
    QComboBox *combo = nullptr;

    // The line written and opened as the browse dialog opens it, in an active viewer at shot `from`.
    void open(const SegyLine &line, int from)
    {
        params = BrowseParams();
        params.segyName = dir.filePath(QStringLiteral("line-%1.sgy").arg(QTest::currentDataTag()));
        QString error;
        QVERIFY2(line.write(params.segyName, &error), qPrintable(error));
        const OpenedLine opened = openLine(params.segyName, HeaderLayout::rev1(), OpenLineOptions());
        QVERIFY(opened.ok());
        shots = opened.shots;
        viewer = std::make_unique<ShowHeaderTable>(&params, shots);
        viewer->show();
        combo = viewer->findChild<QComboBox *>(QStringLiteral("ffidCombo"));
        combo->setCurrentIndex(from);
    }

    // A dialog just closed may leave the window to be activated again, and keys go to the active window.
    void activate()
    {
        QApplication::setActiveWindow(viewer.get());
        QVERIFY(QTest::qWaitForWindowActive(viewer.get()));
    }

    // A key on the window, or an entry of the table's context menu after "menu:".
    void act(const QString &step)
    {
        activate();
        if (step.startsWith(QLatin1String("menu:")))
            QVERIFY(chooseFromMenu(viewer->findChild<QTableView *>(), step.mid(5)));
        else
            QTest::keySequence(viewer.get(), QKeySequence(step));
    }

    // The shot on screen and the combo's red items; the item texts stay as they were.
    void checkShown(int to, const QList<int> &red)
    {
        QCOMPARE(combo->currentIndex(), to);
        QCOMPARE(viewer->findChild<QLabel *>(QStringLiteral("ffidLabel"))->text(),
                 QStringLiteral("FFID: %1 ( %2 traces )").arg(shots.at(to).ffid).arg(shots.at(to).lastTrace - shots.at(to).firstTrace + 1));
        QList<int> marked;
        QStringList texts;
        for (int i = 0; i < combo->count(); ++i) {
            if (combo->itemData(i, Qt::ForegroundRole).value<QBrush>().color() == QColor(Qt::red))
                marked << i;
            texts << combo->itemText(i);
        }
        QCOMPARE(marked, red);
        QCOMPARE(texts, ffidComboTexts(shots));
    }

private slots:
    void cleanup()
    {
        viewer.reset();
    }

    void flaggedShot_data()
    {
        QTest::addColumn<bool>("mixed");
        QTest::addColumn<int>("from");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<int>("to");
        QTest::addColumn<QList<int>>("red");
        QTest::addColumn<QString>("notice");
        const QString none = QStringLiteral("Flagged shots found so far: 0");
        QTest::newRow("F3 passes the clean shot to a channel repeat") << true << 0 << QStringList{"F3"} << 2 << QList<int>{2}
                                                                       << "Flagged shots found so far: 1";
        QTest::newRow("F3 thrice: repeated channel, repeated FFID, channel gap")
                << true << 0 << QStringList{"F3", "F3", "F3"} << 6 << QList<int>{2, 4, 6} << "Flagged shots found so far: 3";
        QTest::newRow("F3 onto the last shot, one trace short") << true << 7 << QStringList{"F3"} << 8 << QList<int>{8}
                                                                 << "Flagged shots found so far: 1";
        QTest::newRow("F3 on the last shot stays") << true << 8 << QStringList{"F3"} << 8 << QList<int>{}
                                                   << "No flagged shot after this one. " + none;
        QTest::newRow("Shift+F3 onto the first shot, its s_elev varies") << true << 1 << QStringList{"Shift+F3"} << 0 << QList<int>{0}
                                                                         << "Flagged shots found so far: 1";
        QTest::newRow("Shift+F3 on the first shot stays") << true << 0 << QStringList{"Shift+F3"} << 0 << QList<int>{}
                                                          << "No flagged shot before this one. " + none;
        // The first shot of FFID 102 is never read: the repeat is known from the shot list.
        QTest::newRow("F3 from between the two shots of FFID 102") << true << 3 << QStringList{"F3"} << 4 << QList<int>{4}
                                                                   << "Flagged shots found so far: 1";
        QTest::newRow("Shift+F3 back onto the repeated FFID") << true << 5 << QStringList{"Shift+F3"} << 4 << QList<int>{4}
                                                              << "Flagged shots found so far: 1";
        QTest::newRow("a shot found twice counts once") << true << 1 << QStringList{"F3", "Shift+F3", "F3"} << 2
                                                        << QList<int>{0, 2} << "Flagged shots found so far: 2";
        QTest::newRow("menu: Next flagged shot") << true << 3 << QStringList{"menu:Next flagged shot"} << 4 << QList<int>{4}
                                                 << "Flagged shots found so far: 1";
        QTest::newRow("menu: Previous flagged shot") << true << 8 << QStringList{"menu:Previous flagged shot"} << 6
                                                     << QList<int>{6} << "Flagged shots found so far: 1";
        QTest::newRow("a line without a flagged shot, backward") << false << 4 << QStringList{"Shift+F3"} << 4 << QList<int>{}
                                                                 << "No flagged shot before this one. " + none;
    }

    void flaggedShot()
    {
        QFETCH(bool, mixed);
        QFETCH(int, from);
        QFETCH(QStringList, steps);
        QFETCH(int, to);
        QFETCH(QList<int>, red);
        QFETCH(QString, notice);
        open(mixed ? mixedLine() : cleanLine(), from);
        QAbstractItemModelTester tester(combo->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        for (const QString &step : steps)
            act(step);
        checkShown(to, red);
        QCOMPARE(noticeText(), notice);
        QVERIFY(!QApplication::activeModalWidget());
    }

    void goToFfid_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<QString>("step");
        QTest::addColumn<QVector<int>>("ffids");
        QTest::addColumn<QVector<int>>("path");
        QTest::addColumn<QString>("notice");
        QTest::newRow("FFID 102 again and again: shot 1, shot 4, around to shot 1")
                << 0 << "Ctrl+G" << QVector<int>{102, 102, 102} << QVector<int>{1, 4, 1} << "";
        QTest::newRow("menu: around the end to the first shot") << 6 << "menu:Go to FFID…" << QVector<int>{101} << QVector<int>{0} << "";
        QTest::newRow("an FFID that is not in the file") << 3 << "Ctrl+G" << QVector<int>{4242} << QVector<int>{3}
                                                          << "FFID 4242 is not in the file.";
    }

    void goToFfid()
    {
        QFETCH(int, from);
        QFETCH(QString, step);
        QFETCH(QVector<int>, ffids);
        QFETCH(QVector<int>, path);
        QFETCH(QString, notice);
        open(mixedLine(), from);
        for (int i = 0; i < ffids.size(); ++i) {
            ModalDriver driver;
            QString asked;
            driver.then("QInputDialog", [&](QWidget *window) {
                auto *input = static_cast<QInputDialog *>(window);
                asked = input->labelText() + QString::number(input->intValue());
                input->setIntValue(ffids.at(i));
                input->accept();
            });
            act(step);
            QVERIFY2(driver.finished(), qPrintable(driver.faults()));
            // The dialog offers the FFID on screen.
            QCOMPARE(asked, QStringLiteral("FFID:%1").arg(shots.at(i ? path.at(i - 1) : from).ffid));
            checkShown(path.at(i), {});
        }
        QCOMPARE(noticeText(), notice);
    }

    void unreadableLine_data()
    {
        QTest::addColumn<int>("keptTraces"); // -1: the file is gone
        QTest::addColumn<QString>("message");
        QTest::newRow("file removed") << -1 << "Cannot open file: %1";
        QTest::newRow("file cut after shot 1") << 8 << "Error: cannot read traces 5-20 of the file: %1";
    }

    void unreadableLine()
    {
        QFETCH(int, keptTraces);
        QFETCH(QString, message);
        open(cleanLine(4), 0);
        QFile file(params.segyName);
        const qint64 traceBytes = (file.size() - 3600) / 20;
        QVERIFY(keptTraces < 0 ? file.remove() : file.resize(3600 + keptTraces * traceBytes));
        ModalDriver driver;
        QString shown;
        driver.then("QMessageBox", [&](QWidget *box) {
            shown = static_cast<QMessageBox *>(box)->text();
            static_cast<QMessageBox *>(box)->accept();
        });
        act(QStringLiteral("F3"));
        QVERIFY2(driver.finished(), qPrintable(driver.faults()));
        QCOMPARE(shown, message.arg(params.segyName));
        checkShown(0, {});
    }

    void cancel()
    {
        open(cleanLine(4), 0);
        // Shown from the first shot on, so that the cancel is there however fast the search is.
        viewer->findChild<ShotSearchActions *>()->setProgressDelay(0);
        bool cancelled = false;
        activate();
        QTimer::singleShot(0, viewer.get(), [&] {
            auto *progress = qobject_cast<QProgressDialog *>(QApplication::activeModalWidget());
            cancelled = progress && progress->windowModality() == Qt::WindowModal && progress->parentWidget() == viewer.get();
            if (cancelled)
                QTest::mouseClick(progress->findChild<QPushButton *>(), Qt::LeftButton);
        });
        QTest::keyClick(viewer.get(), Qt::Key_F3);
        QVERIFY(cancelled);
        checkShown(0, {});
        QCOMPARE(noticeText(), QStringLiteral("Search cancelled. Flagged shots found so far: 0"));
        // Left alone, the next search goes on to the end, and its progress goes with it.
        act(QStringLiteral("F3"));
        checkShown(4, {4});
        QVERIFY(!QApplication::activeModalWidget());
    }
};

QTEST_MAIN(tst_ShotSearchActions)
#include "tst_ShotSearchActions.moc"
