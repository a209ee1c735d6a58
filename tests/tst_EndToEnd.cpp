#include "ModalDriver.h"
#include "SegyLine.h"
#include "TestSupport.h"

#include <ZnGeneralPlugin.h>
#include <ZnProjectManager.h>

#include <QPluginLoader>
#include <QScopeGuard>
#include <QtTest>
#include <QtWidgets>

using TestSupport::SegyioTrace;

namespace {

constexpr int kFastStep = 5;

// The texts the table must show for one trace in columns 0 to 13; the shot-constant ones first
// compare as the values the file stores.
QStringList expectedCells(const SegyioTrace &t)
{
    const auto n = [](qint32 value) { return QString::number(value); };
    const auto xy = [](double value) { return QString::number(double(float(value)), 'f', 2); };
    return {n(t.ffid),      n(t.channel),   n(t.offset),   n(t.gElev),    n(t.sElev),  n(t.sDepth), xy(t.sourceX),
            xy(t.sourceY),  xy(t.groupX),   xy(t.groupY),  n(t.sLine),    n(t.sStat),  n(t.gLine),  n(t.gStat)};
}
const int kConstantColumns[] = {0, 4, 5, 6, 7, 10, 11};

// Everything a user reads off the viewer for the shot on screen, against the reader's shot of these
// traces; the shot's number in the file is index. Counts the shots with a red column.
void checkShotOnScreen(QWidget *viewer, const QVector<SegyioTrace> &shot, int index, QSet<int> &redShots)
{
    QCOMPARE(viewer->findChild<QComboBox *>()->currentIndex(), index);
    QCOMPARE(viewer->findChild<QLabel *>("ffidLabel")->text(), QString("FFID: %1 ( %2 traces )").arg(shot[0].ffid).arg(shot.size()));
    auto *model = qobject_cast<QStandardItemModel *>(viewer->findChild<QTableView *>()->model());
    QVERIFY(model && model->rowCount() == shot.size() && model->columnCount() == 16);
    // A shot-constant column is red in every row when any trace of the shot differs from the first.
    QVector<bool> red(16, false);
    for (int row = 0; row < shot.size(); ++row) {
        const QStringList expected = expectedCells(shot.at(row));
        QStringList shown;
        for (int column = 0; column < expected.size(); ++column)
            shown << model->item(row, column)->text();
        QVERIFY2(shown == expected, qPrintable(QStringLiteral("shot %1 row %2: %3, the reader says %4")
                                                       .arg(index).arg(row).arg(shown.join(' '), expected.join(' '))));
        for (const int c : kConstantColumns)
            red[c] = red[c] || expectedCells(shot.first()).at(c) != expected.at(c)
                     || (c == 6 && float(shot.first().sourceX) != float(shot.at(row).sourceX))
                     || (c == 7 && float(shot.first().sourceY) != float(shot.at(row).sourceY));
    }
    for (int i = 0; i < 16 * shot.size(); ++i) {
        const QBrush foreground = model->item(i / 16, i % 16)->foreground();
        const bool shownRed = foreground.style() == Qt::SolidPattern && foreground.color() == QColor(255, 0, 0);
        QVERIFY2(red[i % 16] ? shownRed : foreground.style() == Qt::NoBrush,
                 qPrintable(QStringLiteral("shot %1 row %2 column %3").arg(index).arg(i / 16).arg(i % 16)));
    }
    if (red.contains(true))
        redShots.insert(index);
}

} // namespace

class tst_EndToEnd : public QObject
{
    Q_OBJECT

    QPluginLoader loader;
    QTemporaryDir workDir;

private slots:
    void initTestCase()
    {
        QVERIFY(workDir.isValid());
        QVERIFY(QDir().mkpath(QStringLiteral(ZN_BUILD_DIR "/screenshots")));
        loader.setFileName(QStringLiteral(ZN_STAGE_DIR "/plugins/modules/segy/" ZN_PLUGIN_FILE_NAME));
        QVERIFY2(loader.load(), qPrintable(loader.errorString()));
    }

    void cleanupTestCase()
    {
        loader.unload();
    }

    void browseEveryShot_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<int>("expectedRedShots");
        QTest::newRow("generated-line") << QString() << 3;
        // Both real lines keep their source headers constant over each shot.
        QTest::newRow("viking-graben") << QStringLiteral("viking_small.segy") << 0;
        QTest::newRow("land-12-shots") << QStringLiteral("bflinchum_survey1_12shots_concat.sgy") << 0;
    }

    // Through the installed plug-in's action, as a user: every shot of the file, checked against segyio.
    void browseEveryShot()
    {
        QFETCH(QString, source);
        QFETCH(int, expectedRedShots);
        const QString tag = QString::fromLatin1(QTest::currentDataTag()), dir = workDir.filePath(tag);
        // Each file gets a folder and a project of its own: the index is written beside the file.
        QVERIFY(ZnProjectManager::instance().openProject(dir + QStringLiteral("/project")));
        const QString path = dir + QLatin1Char('/') + (source.isEmpty() ? QStringLiteral("line.sgy") : source);
        QVERIFY(source.isEmpty() ? SegyLine::demo().write(path, nullptr) : QFile::copy(TestSupport::dataFile(source), path));
        const TestSupport::SegyioDump oracle = TestSupport::segyioDump(path);
        QVERIFY2(oracle.ok, qPrintable(oracle.error));
        // Shots as the independent reader sees them: runs of equal FFIDs in file order.
        QVector<QVector<SegyioTrace>> shots;
        for (const SegyioTrace &trace : oracle.traces) {
            if (shots.isEmpty() || shots.last().first().ffid != trace.ffid)
                shots.append(QVector<SegyioTrace>());
            shots.last().append(trace);
        }
        std::unique_ptr<QAction> action(qobject_cast<ZnGeneralPlugin *>(loader.instance())->createAction());
        const QString screenshots = QStringLiteral(ZN_BUILD_DIR "/screenshots/") + tag;
        QSet<int> shownShots, redShots;
        ModalDriver driver(120000);
        driver.then("BrowseHeaderDialog", [&](QWidget *dialog) {
            dialog->findChild<QLineEdit *>(QStringLiteral("segyName"))->setText(path);
            dialog->findChild<QSpinBox *>(QStringLiteral("fastStep"))->setValue(kFastStep);
            dialog->grab().save(screenshots + QStringLiteral("-browse.png"));
            // Posted, so that this step returns and the driver sees the windows that OK opens.
            auto *ok = dialog->findChild<QPushButton *>(QStringLiteral("okButton"));
            QTimer::singleShot(0, ok, [ok] { QTest::mouseClick(ok, Qt::LeftButton); });
        });
        driver.then("ShowHeaderTable", [&](QWidget *viewer) {
            // Closed on every way out, so that a failed check ends the test at once.
            const auto closeViewer = qScopeGuard([viewer] { viewer->close(); });
            QCOMPARE(viewer->findChild<QComboBox *>()->count(), shots.size());
            // Forward through every shot, one by one, then the other buttons and the combo, with the
            // fast steps clamped at both ends.
            const int last = shots.size() - 1;
            QList<QPair<const char *, int>> moves{{nullptr, 0}};
            for (int index = 1; index <= last; ++index)
                moves.append({"upButton", index});
            moves += {{"toStartButton", 0}, {"bulkUpButton", qMin(kFastStep, last)}, {"downButton", qMin(kFastStep, last) - 1},
                      {"toEndButton", last}, {"bulkDownButton", qMax(0, last - kFastStep)},
                      {"bulkDownButton", qMax(0, last - 2 * kFastStep)}, {"toStartButton", 0}, {"bulkDownButton", 0},
                      {nullptr, last / 2}};
            for (const auto &[button, target] : moves) {
                button ? QTest::mouseClick(viewer->findChild<QPushButton *>(button), Qt::LeftButton)
                       : viewer->findChild<QComboBox *>()->setCurrentIndex(target);
                checkShotOnScreen(viewer, shots.at(target), target, redShots);
                if (QTest::currentTestFailed())
                    return;
                shownShots << target;
            }
            // The screenshot shows the first shot with a red column, if there is one.
            if (!redShots.isEmpty())
                viewer->findChild<QComboBox *>()->setCurrentIndex(*std::min_element(redShots.cbegin(), redShots.cend()));
            viewer->grab().save(screenshots + QStringLiteral("-viewer.png"));
            // The same shot's traces through "Show traces", moved out at the demo line's velocity.
            if (source.isEmpty()) {
                viewer->activateWindow();
                QVERIFY(QTest::qWaitForWindowActive(viewer));
                QTest::keySequence(viewer, QKeySequence(Qt::CTRL | Qt::Key_T));
                QWidget *gather = viewer->findChild<QWidget *>(QStringLiteral("GatherWindow"));
                QVERIFY(gather && gather->isVisible());
                QTRY_VERIFY(!gather->property("reading").toBool());
                gather->findChild<QSpinBox *>(QStringLiteral("velocitySpin"))->setValue(2000);
                gather->grab().save(screenshots + QStringLiteral("-gather.png"));
            }
        });
        driver.then("BrowseHeaderDialog", [](QWidget *dialog) { static_cast<QDialog *>(dialog)->reject(); });
        action->trigger();
        QVERIFY2(driver.finished(), qPrintable(driver.faults()));
        QVERIFY(!QTest::currentTestFailed() && shownShots.size() == shots.size() && shots.size() > 1);
        QCOMPARE(redShots.size(), expectedRedShots);
        QCOMPARE(QFileInfo(path + QStringLiteral(".index")).size(), qint64(16) * oracle.traces.size());
    }

    void germanViewer()
    {
        // The catalogue that the host installs for a German-speaking user's language.
        const auto restore = qScopeGuard([before = QLocale()] { QLocale::setDefault(before); });
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QTranslator german;
        QVERIFY(german.load(QLocale(), QStringLiteral("BrowseHeader"), QStringLiteral("_"), QStringLiteral(":/resource/translations")));
        QCoreApplication::installTranslator(&german);

        const QString path = workDir.filePath(QStringLiteral("german.sgy"));
        QString error;
        QVERIFY2(SegyLine::demo().write(path, &error), qPrintable(error));
        std::unique_ptr<QAction> action(qobject_cast<ZnGeneralPlugin *>(loader.instance())->createAction());
        QStringList seen;
        ModalDriver driver(120000);
        driver.then("BrowseHeaderDialog", [&](QWidget *dialog) {
            dialog->findChild<QLineEdit *>(QStringLiteral("segyName"))->setText(path);
            auto *ok = dialog->findChild<QPushButton *>(QStringLiteral("okButton"));
            QTimer::singleShot(0, ok, [ok] { QTest::mouseClick(ok, Qt::LeftButton); });
        });
        driver.then("ShowHeaderTable", [&](QWidget *viewer) {
            const QAbstractItemModel *model = viewer->findChild<QTableView *>()->model();
            seen << viewer->windowTitle() << viewer->findChild<QLabel *>(QStringLiteral("ffidLabel"))->text().section(' ', 2)
                 << model->headerData(1, Qt::Horizontal).toString() << model->headerData(15, Qt::Horizontal).toString();
            viewer->grab().save(QStringLiteral(ZN_BUILD_DIR "/screenshots/german-viewer.png"));
            viewer->close();
        });
        driver.then("BrowseHeaderDialog", [](QWidget *dialog) { static_cast<QDialog *>(dialog)->reject(); });
        action->trigger();
        QVERIFY2(driver.finished(), qPrintable(driver.faults()));
        QCOMPARE(seen, (QStringList{"SEGY-Spurköpfe ansehen", "( 120 Spuren )", "Kanal", "Byte237-240"}));
    }
};

QTEST_MAIN(tst_EndToEnd)
#include "tst_EndToEnd.moc"
