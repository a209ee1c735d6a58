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
#include <QScopeGuard>
#include <QSettings>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTranslator>
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

// The texts the table must show for one trace in columns 0 to 13, which the reader also decodes.
QStringList expectedCells(const SegyioTrace &t)
{
    const auto n = [](qint32 value) { return QString::number(value); };
    const auto xy = [](double value) { return QString::number(double(float(value)), 'f', 2); };
    return {n(t.ffid),      n(t.channel),   n(t.offset),   n(t.gElev),    n(t.sElev),  n(t.sDepth), xy(t.sourceX),
            xy(t.sourceY),  xy(t.groupX),   xy(t.groupY),  n(t.sLine),    n(t.sStat),  n(t.gLine),  n(t.gStat)};
}

// The shot-constant columns and their values; coordinates compare as the floats the file stores.
const int kConstantColumns[] = {0, 4, 5, 6, 7, 10, 11};
QVector<double> constants(const SegyioTrace &t)
{
    return {double(t.ffid), double(t.sElev), double(t.sDepth), float(t.sourceX), float(t.sourceY),
            double(t.sLine), double(t.sStat)};
}

// Everything a user reads off the viewer for the shot on screen, checked against the reader.
void checkShotOnScreen(QWidget *viewer, const QVector<SegyioTrace> &traces, const QVector<ExpectedShot> &shots,
                       int index, QSet<int> *redShots)
{
    QCOMPARE(viewer->findChild<QComboBox *>(QStringLiteral("ffidCombo"))->currentIndex(), index);
    const ExpectedShot &shot = shots.at(index);
    const int count = shot.lastTrace - shot.firstTrace + 1;
    QCOMPARE(viewer->findChild<QLabel *>(QStringLiteral("ffidLabel"))->text(),
             QStringLiteral("FFID: %1 ( %2 traces )").arg(shot.ffid).arg(count));

    auto *model = qobject_cast<QStandardItemModel *>(viewer->findChild<QTableView *>(QStringLiteral("tableView"))->model());
    QVERIFY(model);
    QCOMPARE(model->rowCount(), count);
    QCOMPARE(model->columnCount(), 16);
    // A column is red in every row when any trace of the shot differs from the first.
    QVector<bool> red(16, false);
    for (int row = 0; row < count; ++row) {
        const SegyioTrace &trace = traces.at(shot.firstTrace + row);
        const QStringList expected = expectedCells(trace);
        QStringList shown;
        for (int column = 0; column < expected.size(); ++column)
            shown << model->item(row, column)->text();
        QVERIFY2(shown == expected, qPrintable(QStringLiteral("shot %1 row %2: %3, the reader says %4")
                                                       .arg(index).arg(row).arg(shown.join(' '), expected.join(' '))));
        for (int k = 0; k < 7; ++k)
            red[kConstantColumns[k]] = red[kConstantColumns[k]] || constants(trace)[k] != constants(traces.at(shot.firstTrace))[k];
    }
    for (int column = 0; column < 16; ++column) {
        for (int row = 0; row < count; ++row) {
            const QBrush foreground = model->item(row, column)->foreground();
            const bool shownRed = foreground.style() == Qt::SolidPattern && foreground.color() == kRed;
            const bool plain = foreground.style() == Qt::NoBrush;
            QVERIFY2(red[column] ? shownRed : plain, qPrintable(QStringLiteral("shot %1 column %2 row %3 is %4red")
                                                                    .arg(index).arg(column).arg(row).arg(shownRed ? "" : "not ")));
        }
    }
    if (red.contains(true))
        redShots->insert(index);
}

void click(QWidget *viewer, const char *button)
{
    QTest::mouseClick(viewer->findChild<QPushButton *>(QLatin1String(button)), Qt::LeftButton);
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
        QTest::newRow("viking-graben") << QStringLiteral("viking_small.segy") << -1;
        QTest::newRow("land-12-shots") << QStringLiteral("bflinchum_survey1_12shots_concat.sgy") << -1;
    }

    void browseEveryShot()
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

        QSet<int> shownShots;
        QSet<int> redShots;
        QStringList stored;

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
            // Closed on every way out, so that a failed check ends the test at once.
            const auto closeViewer = qScopeGuard([viewer] { viewer->close(); });
            viewer->resize(1250, 700);
            auto *combo = viewer->findChild<QComboBox *>(QStringLiteral("ffidCombo"));
            QCOMPARE(combo->count(), shots.size());
            QCOMPARE(viewer->findChild<QLabel *>(QStringLiteral("totalShotsLabel"))->text(),
                     QStringLiteral("Number of shots:  %1 ").arg(shots.size()));
            QCOMPARE(viewer->findChild<QLabel *>(QStringLiteral("segyNameLabel"))->text(),
                     QStringLiteral("SEGY File: ") + path);

            // Forward through every shot, one by one, then the other buttons and the combo, with the
            // fast steps clamped at both ends; every stop is checked against the reader.
            const int last = shots.size() - 1;
            QList<QPair<const char *, int>> moves;
            for (int index = 1; index <= last; ++index)
                moves.append({"upButton", index});
            moves += {{"toStartButton", 0},
                      {"bulkUpButton", qMin(kFastStep, last)},
                      {"downButton", qMin(kFastStep, last) - 1},
                      {"toEndButton", last},
                      {"bulkDownButton", qMax(0, last - kFastStep)},
                      {"bulkDownButton", qMax(0, last - 2 * kFastStep)},
                      {"toStartButton", 0},
                      {"bulkDownButton", 0},
                      {nullptr, last / 2}};
            checkShotOnScreen(viewer, oracle.traces, shots, 0, &redShots);
            shownShots << 0;
            for (const auto &[button, target] : moves) {
                button ? click(viewer, button) : combo->setCurrentIndex(target);
                checkShotOnScreen(viewer, oracle.traces, shots, target, &redShots);
                if (QTest::currentTestFailed())
                    return;
                shownShots << target;
            }
            const QList<int> red = redShots.values();
            combo->setCurrentIndex(red.isEmpty() ? 0 : *std::min_element(red.cbegin(), red.cend()));
            viewer->grab().save(screenshots + QStringLiteral("-viewer.png"));
        });
        driver.then("BrowseHeaderDialog", [&](QWidget *dialog) {
            const QSettings settings(ZnProjectManager::instance().settingsFile(), QSettings::IniFormat);
            stored << QString::number(settings.status()) << settings.value(kPrefix + QStringLiteral("segyName")).toString()
                   << settings.value(kPrefix + QStringLiteral("fastStep")).toString();
            static_cast<QDialog *>(dialog)->reject();
        });
        action->trigger();
        QVERIFY2(driver.finished(), qPrintable(driver.faults()));
        if (QTest::currentTestFailed())
            return;

        QCOMPARE(shownShots.size(), shots.size());
        if (expectedRedShots >= 0)
            QCOMPARE(redShots.size(), expectedRedShots);
        QCOMPARE(stored, (QStringList{QString::number(QSettings::NoError), path, QString::number(kFastStep)}));
        QCOMPARE(QFileInfo(path + QStringLiteral(".index")).size(), qint64(16) * oracle.traceCount);
        QVERIFY(QFile::exists(screenshots + QStringLiteral("-browse.png")));
        QVERIFY(QFile::exists(screenshots + QStringLiteral("-viewer.png")));
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
