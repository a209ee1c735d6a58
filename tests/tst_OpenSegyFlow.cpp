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
        QTest::addColumn<int>("traces");
        QTest::addColumn<int>("ffidPosition");
        QTest::addColumn<QString>("message");
        QTest::newRow("the index cannot be created") << 6 << 9 << "Error: fail to create the file: %1.index";
        QTest::newRow("a file without traces") << 0 << 9 << "Error: the file holds no traces: %1";
        // Three bytes at 239: the project's definition lets it through, the index does not.
        QTest::newRow("an FFID ending past the header") << 6 << 239
                << "Error: the trace header definition places the FFID or an indexed field outside the 240-byte "
                   "trace header; no index was written for %1";
    }

    void failuresStoreNothing()
    {
        QFETCH(int, traces);
        QFETCH(int, ffidPosition);
        QFETCH(QString, message);
        if (ffidPosition != 9) {
            ZnBaseUtil::setProjectValue(QStringLiteral("TraceHeaderDefine/ffid_position"), ffidPosition);
            ZnBaseUtil::setProjectValue(QStringLiteral("TraceHeaderDefine/ffid_bytes"), 3);
        }
        const QString path = openLine(QVector<int>(traces, 1));
        // A folder where the index file should be can be neither written nor replaced.
        if (message.contains(QLatin1String("create")))
            QVERIFY(QDir().mkdir(traceIndexPath(path)));
        const QStringList storedBefore = storedSettings().allKeys();

        QCOMPARE(pressOk({"QMessageBox"}), QStringList{QStringLiteral("Error: ") + message.arg(path)});
        QVERIFY(dialog->isVisible());
        QCOMPARE(storedSettings().allKeys(), storedBefore);
        // A file without traces still gets its (empty) index; it never reaches the viewer.
        QCOMPARE(QFileInfo(traceIndexPath(path)).isFile(), traces == 0);
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
        QFile index(traceIndexPath(path));
        QVERIFY(index.open(QIODevice::WriteOnly));
        index.write(QByteArray(kIndexRecordBytes + 3, '\0'));
        index.close();
        const QStringList twoShots{QStringLiteral("Number of shots:  2 ")};
        QCOMPARE(pressOk(), twoShots);
        QCOMPARE(QFileInfo(traceIndexPath(path)).size(), qint64(8 * kIndexRecordBytes));

        // A valid index is neither written again nor, for the file the dialog holds, read again.
        QVERIFY(index.open(QIODevice::ReadWrite));
        const TraceIndexRecord record{99, 0, 0, 4};
        index.seek(3 * kIndexRecordBytes);
        index.write(reinterpret_cast<const char *>(&record), sizeof record);
        index.close();
        QVERIFY(index.open(QIODevice::ReadOnly));
        const QByteArray changed = index.readAll();
        index.close();
        QCOMPARE(pressOk(), twoShots);
        QVERIFY(index.open(QIODevice::ReadOnly));
        QCOMPARE(index.readAll(), changed);
        index.close();

        // A deleted index is built again, while the held shots are still reused.
        QVERIFY(QFile::remove(traceIndexPath(path)));
        QCOMPARE(pressOk(), twoShots);
        QCOMPARE(QFileInfo(traceIndexPath(path)).size(), qint64(8 * kIndexRecordBytes));

        // Another file is extracted afresh, and so is the first one after it.
        const QString other = scratch->dataDir.filePath(QStringLiteral("other.sgy"));
        QVERIFY(writeLine(other, shotsOf({{1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}})));
        auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("segyName"));
        name->setText(other);
        QCOMPARE(pressOk(), QStringList{QStringLiteral("Number of shots:  5 ")});
        name->setText(path);
        QCOMPARE(pressOk(), twoShots);
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
};

QTEST_MAIN(tst_OpenSegyFlow)
#include "tst_OpenSegyFlow.moc"
