#include "ModalDriver.h"
#include "SegyLine.h"
#include "TestSupport.h"

#include <ZnGeneralPlugin.h>
#include <ZnProjectManager.h>

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPluginLoader>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using TestSupport::SegyioTrace;

namespace {

constexpr int kFastStep = 5;
const QString kPrefix = QStringLiteral("BrowseHeader_BrowseHeaderDialog_");
const QColor kRed(255, 0, 0);

struct ExpectedShot
{
    qint32 ffid;
    int firstTrace;
    int lastTrace;
};

// Shots as the independent reader sees them: runs of equal FFIDs in file order.
QVector<ExpectedShot> shotsOf(const QVector<SegyioTrace> &traces)
{
    QVector<ExpectedShot> shots;
    for (int i = 0; i < traces.size(); ++i) {
        if (shots.isEmpty() || shots.last().ffid != traces.at(i).ffid)
            shots.append({traces.at(i).ffid, i, i});
        shots.last().lastTrace = i;
    }
    return shots;
}

QString coordinateText(double value)
{
    return QString::number(double(float(value)), 'f', 2);
}

// The texts the table must show for one trace in the columns that the reader also decodes.
QMap<int, QString> expectedCells(const SegyioTrace &trace)
{
    return {{0, QString::number(trace.ffid)},         {1, QString::number(trace.channel)},
            {2, QString::number(trace.offset)},       {3, QString::number(trace.gElev)},
            {4, QString::number(trace.sElev)},        {5, QString::number(trace.sDepth)},
            {6, coordinateText(trace.sourceX)},       {7, coordinateText(trace.sourceY)},
            {8, coordinateText(trace.groupX)},        {9, coordinateText(trace.groupY)},
            {10, QString::number(trace.sLine)},       {11, QString::number(trace.sStat)},
            {12, QString::number(trace.gLine)},       {13, QString::number(trace.gStat)}};
}

// Whether a shot-constant column must be red: any trace differs from the first.
bool varies(const QVector<SegyioTrace> &traces, const ExpectedShot &shot, int column)
{
    const SegyioTrace &first = traces.at(shot.firstTrace);
    for (int i = shot.firstTrace + 1; i <= shot.lastTrace; ++i) {
        const SegyioTrace &t = traces.at(i);
        switch (column) {
        case 0: if (t.ffid != first.ffid) return true; break;
        case 4: if (t.sElev != first.sElev) return true; break;
        case 5: if (t.sDepth != first.sDepth) return true; break;
        case 6: if (float(t.sourceX) != float(first.sourceX)) return true; break;
        case 7: if (float(t.sourceY) != float(first.sourceY)) return true; break;
        case 10: if (t.sLine != first.sLine) return true; break;
        case 11: if (t.sStat != first.sStat) return true; break;
        default: break;
        }
    }
    return false;
}

// Everything a user reads off the viewer for the shot on screen, checked against the reader.
void checkShotOnScreen(QWidget *viewer, const QVector<SegyioTrace> &traces, const QVector<ExpectedShot> &shots,
                       int index, int *redShots)
{
    auto *combo = viewer->findChild<QComboBox *>(QStringLiteral("ffidCombo"));
    auto *table = viewer->findChild<QTableView *>(QStringLiteral("tableView"));
    auto *label = viewer->findChild<QLabel *>(QStringLiteral("ffidLabel"));
    QCOMPARE(combo->currentIndex(), index);
    const ExpectedShot &shot = shots.at(index);
    const int count = shot.lastTrace - shot.firstTrace + 1;
    QCOMPARE(label->text(), QStringLiteral("FFID: %1 ( %2 traces )").arg(shot.ffid).arg(count));

    auto *model = qobject_cast<QStandardItemModel *>(table->model());
    QVERIFY(model);
    QCOMPARE(model->rowCount(), count);
    QCOMPARE(model->columnCount(), 16);
    for (int row = 0; row < count; ++row) {
        const QMap<int, QString> cells = expectedCells(traces.at(shot.firstTrace + row));
        for (auto it = cells.cbegin(); it != cells.cend(); ++it) {
            const QStandardItem *item = model->item(row, it.key());
            QVERIFY(item);
            if (item->text() != it.value()) {
                QFAIL(qPrintable(QStringLiteral("shot %1 row %2 column %3: %4, the reader says %5")
                                         .arg(index).arg(row).arg(it.key()).arg(item->text(), it.value())));
            }
        }
    }
    bool anyRed = false;
    for (int column : {0, 4, 5, 6, 7, 10, 11}) {
        const bool red = varies(traces, shot, column);
        anyRed = anyRed || red;
        for (int row = 0; row < count; ++row) {
            const QBrush foreground = model->item(row, column)->foreground();
            const bool shownRed = foreground.style() == Qt::SolidPattern && foreground.color() == kRed;
            if (shownRed != red) {
                QFAIL(qPrintable(QStringLiteral("shot %1 column %2 row %3 is %4red")
                                         .arg(index).arg(column).arg(row).arg(shownRed ? "" : "not ")));
            }
        }
    }
    for (int column : {1, 2, 3, 8, 9, 12, 13, 14, 15})
        QCOMPARE(model->item(0, column)->foreground().style(), Qt::NoBrush);
    if (anyRed)
        ++*redShots;
}

void click(QWidget *viewer, const char *button)
{
    QTest::mouseClick(viewer->findChild<QPushButton *>(QLatin1String(button)), Qt::LeftButton);
}

} // namespace

class tst_EndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void browseEveryShot_data();
    void browseEveryShot();

private:
    QPluginLoader loader;
    QTemporaryDir workDir;
};

void tst_EndToEnd::initTestCase()
{
    QVERIFY(workDir.isValid());
    QVERIFY(QDir().mkpath(QStringLiteral(ZN_BUILD_DIR "/screenshots")));
    loader.setFileName(QStringLiteral(ZN_STAGE_DIR "/plugins/modules/segy/" ZN_PLUGIN_FILE_NAME));
    QVERIFY2(loader.load(), qPrintable(loader.errorString()));
}

void tst_EndToEnd::cleanupTestCase()
{
    loader.unload();
}

void tst_EndToEnd::browseEveryShot_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<int>("expectedRedShots");
    QTest::newRow("generated-line") << QString() << 3;
    QTest::newRow("viking-graben") << QStringLiteral("viking_small.segy") << -1;
    QTest::newRow("land-12-shots") << QStringLiteral("bflinchum_survey1_12shots_concat.sgy") << -1;
}

void tst_EndToEnd::browseEveryShot()
{
    QFETCH(QString, source);
    QFETCH(int, expectedRedShots);
    const QString tag = QString::fromLatin1(QTest::currentDataTag());

    // Each file gets a folder and a project of its own: the index is written beside the file.
    const QString dir = workDir.filePath(tag);
    QVERIFY(QDir().mkpath(dir + QStringLiteral("/project")));
    QVERIFY(ZnProjectManager::instance().openProject(dir + QStringLiteral("/project")));
    QString path;
    if (source.isEmpty()) {
        path = dir + QStringLiteral("/line.sgy");
        QString error;
        QVERIFY2(SegyLine::demo().write(path, &error), qPrintable(error));
    } else {
        path = dir + QLatin1Char('/') + source;
        QVERIFY(QFile::copy(TestSupport::dataFile(source), path));
    }
    const TestSupport::SegyioDump oracle = TestSupport::segyioDump(path);
    QVERIFY2(oracle.ok, qPrintable(oracle.error));
    const QVector<ExpectedShot> shots = shotsOf(oracle.traces);
    QVERIFY(shots.size() > 1);

    auto *plugin = qobject_cast<ZnGeneralPlugin *>(loader.instance());
    QVERIFY(plugin);
    std::unique_ptr<QAction> action(plugin->createAction());
    const QString screenshots = QStringLiteral(ZN_BUILD_DIR "/screenshots/") + tag;

    int shownShots = 0;
    int redShots = 0;
    QSettings::Status stored = QSettings::AccessError;
    QString storedName;
    int storedStep = 0;

    ModalDriver driver(120000);
    driver.then("BrowseHeaderDialog", [&](QWidget *dialog) {
        dialog->findChild<QLineEdit *>(QStringLiteral("segyName"))->setText(path);
        dialog->findChild<QSpinBox *>(QStringLiteral("fastStep"))->setValue(kFastStep);
        dialog->findChild<QSpinBox *>(QStringLiteral("custH1Pos"))->setValue(9);
        dialog->findChild<QSpinBox *>(QStringLiteral("custH1Len"))->setValue(4);
        dialog->grab().save(screenshots + QStringLiteral("-browse.png"));
        // Posted, so that this step returns and the driver sees the windows that OK opens.
        auto *ok = dialog->findChild<QPushButton *>(QStringLiteral("okButton"));
        QTimer::singleShot(0, ok, [ok] { QTest::mouseClick(ok, Qt::LeftButton); });
    });
    driver.then("ShowHeaderTable", [&](QWidget *viewer) {
        viewer->resize(1250, 700);
        auto *combo = viewer->findChild<QComboBox *>(QStringLiteral("ffidCombo"));
        QCOMPARE(combo->count(), shots.size());
        QCOMPARE(viewer->findChild<QLabel *>(QStringLiteral("totalShotsLabel"))->text(),
                 QStringLiteral("Number of shots:  %1 ").arg(shots.size()));
        QCOMPARE(viewer->findChild<QLabel *>(QStringLiteral("segyNameLabel"))->text(),
                 QStringLiteral("SEGY File: ") + path);

        // Forward through every shot, one by one, checking each against the reader.
        int firstRed = -1;
        for (int index = 0; index < shots.size(); ++index) {
            if (index > 0)
                click(viewer, "upButton");
            const int before = redShots;
            checkShotOnScreen(viewer, oracle.traces, shots, index, &redShots);
            if (QTest::currentTestFailed())
                return;
            if (firstRed < 0 && redShots > before)
                firstRed = index;
            ++shownShots;
        }
        const int last = shots.size() - 1;
        // The other buttons and the combo, with the fast steps clamped at both ends.
        const QList<QPair<const char *, int>> moves = {
            {"toStartButton", 0},
            {"bulkUpButton", qMin(kFastStep, last)},
            {"downButton", qMin(kFastStep, last) - 1},
            {"toEndButton", last},
            {"bulkDownButton", qMax(0, last - kFastStep)},
            {"bulkDownButton", qMax(0, last - 2 * kFastStep)},
            {"toStartButton", 0},
            {"bulkDownButton", 0},
        };
        int ignored = 0;
        for (const auto &[button, target] : moves) {
            click(viewer, button);
            checkShotOnScreen(viewer, oracle.traces, shots, target, &ignored);
            if (QTest::currentTestFailed())
                return;
        }
        combo->setCurrentIndex(last / 2);
        checkShotOnScreen(viewer, oracle.traces, shots, last / 2, &ignored);

        combo->setCurrentIndex(firstRed >= 0 ? firstRed : 0);
        viewer->grab().save(screenshots + QStringLiteral("-viewer.png"));
        viewer->close();
    });
    driver.then("BrowseHeaderDialog", [&](QWidget *dialog) {
        const QSettings settings(ZnProjectManager::instance().settingsFile(), QSettings::IniFormat);
        stored = settings.status();
        storedName = settings.value(kPrefix + QStringLiteral("segyName")).toString();
        storedStep = settings.value(kPrefix + QStringLiteral("fastStep")).toInt();
        static_cast<QDialog *>(dialog)->reject();
    });
    action->trigger();
    QVERIFY2(driver.finished(), qPrintable(driver.faults()));
    if (QTest::currentTestFailed())
        return;

    QCOMPARE(shownShots, shots.size());
    if (expectedRedShots >= 0)
        QCOMPARE(redShots, expectedRedShots);
    QCOMPARE(stored, QSettings::NoError);
    QCOMPARE(storedName, path);
    QCOMPARE(storedStep, kFastStep);
    QCOMPARE(QFileInfo(path + QStringLiteral(".index")).size(), qint64(16) * oracle.traceCount);
    QVERIFY(QFile::exists(screenshots + QStringLiteral("-browse.png")));
    QVERIFY(QFile::exists(screenshots + QStringLiteral("-viewer.png")));
}

QTEST_MAIN(tst_EndToEnd)
#include "tst_EndToEnd.moc"
