#include "BrowseHeaderDialog.h"
#include "ModalDriver.h"
#include "ScratchProject.h"
#include "TestSupport.h"
#include "TraceIndex.h"

#include <SegyWriter.h>
#include <ZnBaseUtil.h>
#include <ZnProjectManager.h>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kPrefix = QStringLiteral("BrowseHeader_BrowseHeaderDialog_");

// A line whose trace i carries ffids[i] at the standard FFID place.
bool writeLine(const QString &path, const QVector<qint32> &ffids)
{
    const QFileInfo info(path);
    SegyWriter::Layout layout;
    layout.samples = 50;
    return !TestSupport::writeSegy(info.absolutePath(), info.fileName(), TestSupport::ffidTraces(ffids), layout)
                    .isEmpty();
}

QVector<int> shotsOf(std::initializer_list<QPair<int, int>> runs)
{
    QVector<int> ffids;
    for (const auto &[ffid, traces] : runs)
        ffids.append(QVector<int>(traces, ffid));
    return ffids;
}

QSettings storedSettings()
{
    return QSettings(ZnProjectManager::instance().settingsFile(), QSettings::IniFormat);
}

} // namespace

class tst_OpenSegyFlow : public QObject
{
    Q_OBJECT

    std::unique_ptr<ScratchProject> scratch;
    std::unique_ptr<BrowseHeaderDialog> dialog;

    // Shows a fresh dialog with the file name typed in.
    void openDialog(const QString &path)
    {
        dialog = std::make_unique<BrowseHeaderDialog>(nullptr);
        dialog->show();
        dialog->findChild<QLineEdit *>(QStringLiteral("segyName"))->setText(path);
    }

    // Writes line.sgy with these FFIDs and opens it; a failed write leaves the name empty.
    QString openLine(const QVector<qint32> &ffids)
    {
        const QString path = scratch->dataDir.filePath(QStringLiteral("line.sgy"));
        openDialog(writeLine(path, ffids) ? path : QString());
        return path;
    }

    // Presses OK and answers the windows that come, in order; returns what each one showed.
    QStringList pressOk(const QList<QByteArray> &windows = {"ShowHeaderTable"})
    {
        QStringList seen;
        ModalDriver driver;
        for (const QByteArray &className : windows) {
            driver.then(className.constData(), [&seen](QWidget *window) {
                if (auto *box = qobject_cast<QMessageBox *>(window)) {
                    seen << box->windowTitle() + QLatin1String(": ") + box->text();
                    box->accept();
                    return;
                }
                // The viewer: what it says of the file, then closed as the user closes it.
                const auto *shots = window->findChild<QLabel *>(QStringLiteral("totalShotsLabel"));
                seen << (shots ? shots->text() : QStringLiteral("viewer without labels"));
                window->close();
            });
        }
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("okButton")), Qt::LeftButton);
        if (!driver.finished())
            seen << QStringLiteral("FAULT: ") + driver.faults();
        return seen;
    }

private slots:
    void init()
    {
        scratch = std::make_unique<ScratchProject>();
        QVERIFY(scratch->open());
    }

    void cleanup() { dialog.reset(); }

    void failuresStoreNothing_data()
    {
        QTest::addColumn<bool>("withTraces");
        QTest::addColumn<QString>("message");
        QTest::newRow("the index cannot be created") << true << "Error: fail to create the file: %1.index";
        QTest::newRow("a file without traces") << false << "Error: the file holds no traces: %1";
    }

    void failuresStoreNothing()
    {
        QFETCH(bool, withTraces);
        QFETCH(QString, message);
        const QString path = openLine(withTraces ? shotsOf({{1, 3}, {2, 3}}) : QVector<int>());
        // A folder where the index file should be can be neither written nor replaced.
        if (withTraces)
            QVERIFY(QDir().mkdir(traceIndexPath(path)));

        QCOMPARE(pressOk({"QMessageBox"}), QStringList{QStringLiteral("Error: ") + message.arg(path)});
        QVERIFY(dialog->isVisible());
        QVERIFY(storedSettings().allKeys().isEmpty());
        // A file without traces still gets its (empty) index; it never reaches the viewer.
        if (!withTraces)
            QCOMPARE(QFileInfo(traceIndexPath(path)).size(), qint64(0));
    }

    void settingsAreStoredAfterTheViewer()
    {
        ZnBaseUtil::setProjectValue(kPrefix + QStringLiteral("nowShIdx"), 17);
        // A length the box cannot show stays as stored when the box's clamped value equals its own.
        ZnBaseUtil::setProjectValue(kPrefix + QStringLiteral("cust1Len"), 1);
        const QString path = openLine(shotsOf({{5, 2}, {6, 3}, {5, 1}}));
        dialog->findChild<QSpinBox *>(QStringLiteral("fastStep"))->setValue(35);
        dialog->findChild<QSpinBox *>(QStringLiteral("custH2Pos"))->setValue(181);
        QCOMPARE(dialog->findChild<QSpinBox *>(QStringLiteral("custH1Len"))->value(), 2);
        QCOMPARE(storedSettings().allKeys().size(), 2);

        QCOMPARE(pressOk(), QStringList{QStringLiteral("Number of shots:  3 ")});
        QVERIFY(dialog->isVisible());

        QStringList stored;
        for (const char *key : {"segyName", "cust1Pos", "cust1Len", "cust2Pos", "cust2Len", "fastStep", "nowShIdx"})
            stored << storedSettings().value(kPrefix + QLatin1String(key), QStringLiteral("missing")).toString();
        QCOMPARE(stored, (QStringList{path, "71", "1", "181", "4", "35", "17"}));
    }

    void reopeningTheSameFile()
    {
        const QString path = openLine(shotsOf({{11, 4}, {12, 4}}));
        // A half-written index from an earlier run is rebuilt, not shown.
        QFile stale(traceIndexPath(path));
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.write(QByteArray(kIndexRecordBytes + 3, '\0'));
        stale.close();
        const QStringList twoShots{QStringLiteral("Number of shots:  2 ")};

        ProgressRecorder first;
        QCOMPARE(pressOk(), twoShots);
        QCOMPARE(first.dialogs().size(), 2);
        QCOMPARE(QFileInfo(traceIndexPath(path)).size(), qint64(8 * kIndexRecordBytes));

        // The second OK takes the shots the dialog holds: an index regrouped under it goes unread.
        QFile index(traceIndexPath(path));
        QVERIFY(index.open(QIODevice::ReadWrite));
        const TraceIndexRecord record{99, 0, 0, 4};
        index.seek(3 * kIndexRecordBytes);
        index.write(reinterpret_cast<const char *>(&record), sizeof record);
        index.close();
        ProgressRecorder second;
        QCOMPARE(pressOk(), twoShots);
        QVERIFY(second.dialogs().isEmpty());

        // A deleted index is built again, while the held shots are still reused.
        QVERIFY(QFile::remove(traceIndexPath(path)));
        ProgressRecorder third;
        QCOMPARE(pressOk(), twoShots);
        QCOMPARE(third.dialogs().size(), 1);
        QCOMPARE(third.dialogs().first().label, QStringLiteral("Create SEGY Index......"));
        QCOMPARE(QFileInfo(traceIndexPath(path)).size(), qint64(8 * kIndexRecordBytes));
    }

    void anotherPathIsExtractedAfresh_data()
    {
        QTest::addColumn<QString>("otherForm");
        QTest::newRow("another file") << QString();
        QTest::newRow("doubled separator") << QStringLiteral("//");
        QTest::newRow("dot segment") << QStringLiteral("/./");
    }

    void anotherPathIsExtractedAfresh()
    {
        QFETCH(QString, otherForm);
        const QString first = scratch->dataDir.filePath(QStringLiteral("first.sgy"));
        QVERIFY(writeLine(first, shotsOf({{1, 2}, {2, 2}})));
        QString second;
        if (otherForm.isEmpty()) {
            second = scratch->dataDir.filePath(QStringLiteral("second.sgy"));
            QVERIFY(writeLine(second, shotsOf({{1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}})));
        } else {
            second = scratch->dataDir.path() + otherForm + QStringLiteral("first.sgy");
        }
        const QString secondCount = QStringLiteral("Number of shots:  %1 ").arg(otherForm.isEmpty() ? 5 : 2);

        openDialog(first);
        auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("segyName"));
        QCOMPARE(pressOk(), QStringList{QStringLiteral("Number of shots:  2 ")});

        // Only one shot index is held: every switch extracts again.
        name->setText(second);
        ProgressRecorder toSecond;
        QCOMPARE(pressOk(), QStringList{secondCount});
        QCOMPARE(toSecond.dialogs().last().label, QStringLiteral("Extracting Shot Index......"));
        name->setText(first);
        ProgressRecorder backToFirst;
        QCOMPARE(pressOk(), QStringList{QStringLiteral("Number of shots:  2 ")});
        QCOMPARE(backToFirst.dialogs().size(), 1);
        QCOMPARE(backToFirst.dialogs().first().label, QStringLiteral("Extracting Shot Index......"));
    }

    void progressDialogs_data()
    {
        QTest::addColumn<int>("traces");
        QTest::addColumn<QVector<int>>("values");
        const auto upTo = [](int last) {
            QVector<int> values(last + 1);
            std::iota(values.begin(), values.end(), 0);
            return values;
        };
        QTest::newRow("50 traces: one step per trace, never 100") << 50 << upTo(50);
        QTest::newRow("250 traces: one step per 2 traces up to 100") << 250 << upTo(100);
        QTest::newRow("1 trace") << 1 << QVector<int>{0, 1};
    }

    void progressDialogs()
    {
        QFETCH(int, traces);
        QFETCH(QVector<int>, values);
        QVector<int> ffids(traces);
        for (int i = 0; i < traces; ++i)
            ffids[i] = 1000 + i / 10;
        openLine(ffids);
        ProgressRecorder progress;
        QCOMPARE(pressOk().size(), 1);

        QCOMPARE(progress.dialogs().size(), 2);
        const QStringList labels = {QStringLiteral("Create SEGY Index......"), QStringLiteral("Extracting Shot Index......")};
        for (int k = 0; k < 2; ++k) {
            const ProgressRecorder::Seen &seen = progress.dialogs().at(k);
            QCOMPARE(QStringList({seen.label, seen.title}), QStringList({labels.at(k), "Browse SEGY Header"}));
            QCOMPARE(seen.modality, Qt::WindowModal);
            QCOMPARE(QVector<int>({seen.hasCancelButton, seen.minimumWidth, seen.minimumHeight, seen.minimum, seen.maximum}),
                     QVector<int>({false, 300, 80, 0, 100}));
            QCOMPARE(seen.parent, dialog.get());
            QCOMPARE(seen.values, values);
        }
    }

    void projectHeaderDefinitionChoosesTheIndexedField()
    {
        // The project keeps its FFID at byte 189: shots follow that field, not the standard one.
        ZnBaseUtil::setProjectValue(QStringLiteral("TraceHeaderDefine/ffid_position"), 189);
        ZnBaseUtil::setProjectValue(QStringLiteral("TraceHeaderDefine/ffid_bytes"), 4);
        QVector<TestSupport::TraceHeaderValues> traces;
        // The standard place says one shot, the project's place says four.
        for (int i = 0; i < 12; ++i)
            traces.append({{9, 4, 1}, {189, 4, i / 3}});
        const QString path = TestSupport::writeSegy(scratch->dataDir.path(), QStringLiteral("line.sgy"), traces);
        QVERIFY(!path.isEmpty());

        openDialog(path);
        QCOMPARE(pressOk(), QStringList{QStringLiteral("Number of shots:  4 ")});
    }

    void cancelAfterAViewerRunKeepsWhatThatRunStored()
    {
        openLine(shotsOf({{1, 2}}));
        auto *step = dialog->findChild<QSpinBox *>(QStringLiteral("fastStep"));
        step->setValue(15);
        QCOMPARE(pressOk().size(), 1);
        step->setValue(90);
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cancelButton")), Qt::LeftButton);
        QVERIFY(dialog->isHidden());
        QCOMPARE(storedSettings().value(kPrefix + QStringLiteral("fastStep")).toInt(), 15);
    }
};

QTEST_MAIN(tst_OpenSegyFlow)
#include "tst_OpenSegyFlow.moc"
