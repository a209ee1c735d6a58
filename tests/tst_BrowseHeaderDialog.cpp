#include "BrowseHeaderDialog.h"
#include "ModalDriver.h"
#include "ScratchProject.h"
#include "TestSupport.h"
#include "TraceIndex.h"

#include <ZnBaseUtil.h>

#include <QtTest>
#include <QtWidgets>


namespace {

const QString kPrefix = QStringLiteral("BrowseHeader_BrowseHeaderDialog_");
const char *const kBoxes[] = {"custH1Pos", "custH1Len", "custH2Pos", "custH2Len", "fastStep"};

template <typename T = QWidget> T *child(const QWidget &dialog, const char *name)
{
    return dialog.findChild<T *>(QLatin1String(name));
}

QSettings stored()
{
    return QSettings(ZnProjectManager::instance().settingsFile(), QSettings::IniFormat);
}

void store(const QVariantMap &values, const QString &prefix = kPrefix)
{
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        ZnBaseUtil::setProjectValue(prefix + it.key(), it.value());
}

// Runs of {ffid, traces}, one trace per FFID in file order.
QVector<qint32> shotsOf(std::initializer_list<QPair<int, int>> runs)
{
    QVector<qint32> ffids;
    for (const auto &[ffid, traces] : runs)
        ffids.append(QVector<qint32>(traces, ffid));
    return ffids;
}

} // namespace

class tst_BrowseHeaderDialog : public QObject
{
    Q_OBJECT

    std::unique_ptr<ScratchProject> scratch;
    std::unique_ptr<BrowseHeaderDialog> dialog;

    // Writes a SEG-Y line by this name and shows a fresh dialog with its name typed in.
    QString openLine(const QVector<qint32> &ffids, const char *name = "line.sgy")
    {
        const QString path = TestSupport::writeSegy(scratch->dataDir.path(), QLatin1String(name), TestSupport::ffidTraces(ffids));
        dialog = std::make_unique<BrowseHeaderDialog>(nullptr);
        dialog->show();
        child<QLineEdit>(*dialog, "segyName")->setText(path);
        return path;
    }

    // Presses OK and answers the windows that come, in order: a box by its title and text, the viewer
    // by its shot count, then closed as the user closes it.
    QStringList pressOk(const QList<QByteArray> &windows = {"ShowHeaderTable"})
    {
        QStringList seen;
        ModalDriver driver;
        for (const QByteArray &className : windows) {
            driver.then(className.constData(), [&seen](QWidget *window) {
                auto *box = qobject_cast<QMessageBox *>(window);
                seen << (box ? box->windowTitle() + QLatin1String(": ") + box->text()
                             : child<QLabel>(*window, "totalShotsLabel")->text());
                window->close();
            });
        }
        QTest::mouseClick(child<QPushButton>(*dialog, "okButton"), Qt::LeftButton);
        return driver.finished() ? seen : seen << driver.faults();
    }

private slots:
    void init()
    {
        scratch = std::make_unique<ScratchProject>();
        QVERIFY(scratch->open());
        // The values live in the project's own project.ini, where the README tells users to look.
        QCOMPARE(ZnProjectManager::instance().settingsFile(), QDir(scratch->projectDir.path()).filePath("project.ini"));
    }

    void cleanup() { dialog.reset(); }

    void loadedValues_data()
    {
        QTest::addColumn<QVariantMap>("values");
        QTest::addColumn<QVector<int>>("shown");
        QTest::newRow("nothing stored") << QVariantMap() << QVector<int>{71, 2, 237, 4, 10};
        QTest::newRow("stored values") << QVariantMap{{"cust1Pos", 189}, {"cust1Len", 4}, {"cust2Pos", 9}, {"cust2Len", 2},
                                                      {"fastStep", 25}} << QVector<int>{189, 4, 9, 2, 25};
    }

    void loadedValues()
    {
        QFETCH(QVariantMap, values);
        QFETCH(QVector<int>, shown);
        store(values);
        BrowseHeaderDialog dialog(nullptr);
        QVector<int> boxes;
        for (const char *name : kBoxes)
            boxes << child<QSpinBox>(dialog, name)->value();
        QCOMPARE(boxes, shown);
        QVERIFY(!child(dialog, "okButton")->isEnabled());
        // Showing the values stores nothing.
        QCOMPARE(stored().allKeys().size(), values.size());
    }

    void fileNameColourAndOk_data()
    {
        QTest::addColumn<int>("bytes"); // -1: no file, -2: a folder
        for (const int bytes : {3840, -1, 0, -2})
            QTest::addRow("%d bytes", bytes) << bytes;
    }

    void fileNameColourAndOk()
    {
        QFETCH(int, bytes);
        QString path = scratch->dataDir.filePath(QStringLiteral("line 7 ü.sgy"));
        QFile file(path);
        QVERIFY(bytes < 0 || (file.open(QIODevice::WriteOnly) && file.write(QByteArray(bytes, '\1')) == bytes));
        file.close();
        if (bytes == -2)
            path = scratch->dataDir.path();
        store({{"segyName", path}});
        BrowseHeaderDialog dialog(nullptr);
        QCOMPARE(child<QLineEdit>(dialog, "segyName")->text(), path);
        QCOMPARE(child(dialog, "okButton")->isEnabled(), bytes > 0);
        QCOMPARE(child(dialog, "segyName")->palette().color(QPalette::Text), QColor(bytes > 0 ? Qt::black : Qt::red));
    }

    // The limit holds whichever of the two is set last, and is what the viewer gets.
    void customPositionStaysInsideTheHeader()
    {
        openLine({1});
        QStringList seen;
        for (const QByteArray header : {"1", "2"}) {
            for (const int length : {4, 3, 2}) {
                QSpinBox *pos = child<QSpinBox>(*dialog, "custH" + header + "Pos");
                child<QSpinBox>(*dialog, "custH" + header + "Len")->setValue(2);
                pos->setValue(239);
                child<QSpinBox>(*dialog, "custH" + header + "Len")->setValue(length);
                seen << QString::number(pos->value());
                pos->setValue(1);
                pos->setValue(239);
                seen << QString::number(pos->value());
            }
        }
        QCOMPARE(seen.join(' '), QStringLiteral("237 237 238 238 239 239 237 237 238 238 239 239"));
        QCOMPARE(pressOk().size(), 1);
        QCOMPARE(stored().value(kPrefix + "cust2Pos").toInt() * 10 + stored().value(kPrefix + "cust2Len").toInt(), 2392);
    }

    void failureBoxes_data()
    {
        QTest::addColumn<int>("traces");
        QTest::addColumn<QString>("message");
        QTest::newRow("the file vanished after the check") << 6 << "Error: fail to open the file: %1";
        QTest::newRow("the index cannot be created") << 6 << "Error: fail to create the file: %1.index";
        QTest::newRow("a file without traces") << 0 << "Error: the file holds no traces: %1";
    }

    // OK runs the dialog's own flow: a failure is reported, stores nothing and keeps the dialog.
    void failureBoxes()
    {
        QFETCH(int, traces);
        QFETCH(QString, message);
        const QString path = openLine(QVector<qint32>(traces, 1));
        // A folder where the index file should be can be neither written nor replaced.
        QVERIFY(!message.contains(QLatin1String("create")) || QDir().mkdir(traceIndexPath(path)));
        QVERIFY(!message.contains(QLatin1String("open")) || QFile::remove(path));
        const QStringList keysBefore = stored().allKeys();

        QCOMPARE(pressOk({"QMessageBox"}), QStringList{QStringLiteral("Error: ") + message.arg(path)});
        QVERIFY(dialog->isVisible());
        QCOMPARE(stored().allKeys(), keysBefore);
        // A file without traces still gets its (empty) index; it never reaches the viewer.
        QCOMPARE(QFileInfo(traceIndexPath(path)).isFile(), traces == 0);
    }

    void layoutVariants_data() { TestSupport::addLayoutVariantRows(); }

    // A file that the viewer would misread is refused before any index is written, naming the
    // file, the reason and the tool that reads it; the others show their whole traces.
    void layoutVariants()
    {
        QFETCH(TestSupport::LayoutVariant, variant);
        const QString path = TestSupport::writeVariant(scratch->dataDir.path(), variant);
        dialog = std::make_unique<BrowseHeaderDialog>(nullptr);
        dialog->show();
        child<QLineEdit>(*dialog, "segyName")->setText(path);
        if (!variant.viewerRefusal) {
            QCOMPARE(pressOk(), QStringList{QStringLiteral("Number of shots:  2 ")});
            return;
        }
        const QString box = pressOk({"QMessageBox"}).value(0);
        QVERIFY2(box.startsWith(QStringLiteral("Error: Error: this viewer reads")) && box.contains(path + QLatin1String(" is not one: "))
                 && box.contains(QLatin1String(variant.viewerRefusal)) && box.contains(QLatin1String("segyhdr dump ")), qPrintable(box));
        QVERIFY(!QFile::exists(traceIndexPath(path)));
    }

    // Whoever can make a link in a shared folder must not make OK overwrite the file it points at.
    void indexLinkIsReplacedNotFollowed()
    {
        const QString path = openLine(shotsOf({{1, 3}, {2, 3}}));
        const QString victim = scratch->dataDir.filePath(QStringLiteral("victim.txt"));
        QFile file(victim);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("precious") == 8);
        file.close();
        QVERIFY(QFile::link(victim, traceIndexPath(path)));
        QCOMPARE(pressOk(), QStringList{QStringLiteral("Number of shots:  2 ")});
        QVERIFY(file.open(QIODevice::ReadOnly) && file.readAll() == "precious");
        QVERIFY(!QFileInfo(traceIndexPath(path)).isSymLink());
        QCOMPARE(QFileInfo(traceIndexPath(path)).size(), qint64(6 * kIndexRecordBytes));
    }

    // With the project's FFID at byte 189, segyhdr --project groups the shots the viewer lists.
    void projectPlacesAgreeWithSegyhdr()
    {
        store({{"ffid_position", 189}, {"ffid_bytes", 4}}, QStringLiteral("TraceHeaderDefine/"));
        SegyLine line;
        line.traces = 8;
        line.channels = 1; // byte 9 changes on every trace
        line.overrides = {{0, 2, 189, 4, 70}, {3, 4, 189, 4, 80}, {5, 7, 189, 4, 70}};
        const QString path = scratch->dataDir.filePath(QStringLiteral("project-line.sgy"));
        QVERIFY(line.write(path, nullptr));
        dialog = std::make_unique<BrowseHeaderDialog>(nullptr);
        dialog->show();
        child<QLineEdit>(*dialog, "segyName")->setText(path);
        QStringList viewerFfids;
        ModalDriver driver;
        driver.then("ShowHeaderTable", [&viewerFfids](QWidget *viewer) {
            const auto *combo = child<QComboBox>(*viewer, "ffidCombo");
            for (int i = 0; i < combo->count(); ++i)
                viewerFfids << combo->itemText(i).section(QLatin1Char('>'), 1).trimmed();
            viewer->close();
        });
        QTest::mouseClick(child<QPushButton>(*dialog, "okButton"), Qt::LeftButton);
        QVERIFY2(driver.finished(), qPrintable(driver.faults()));

        QProcess segyhdr;
        segyhdr.start(QStringLiteral(ZN_BUILD_DIR "/bin/segyhdr"), {"dump", path, "--project", scratch->projectDir.path()});
        QVERIFY(segyhdr.waitForFinished(60000) && segyhdr.exitCode() == 0);
        QStringList dumpFfids;
        for (const QByteArray &row : segyhdr.readAllStandardOutput().split('\n').mid(1, 8)) {
            const QString ffid = QString::fromLatin1(row.split(',').value(0));
            if (dumpFfids.isEmpty() || dumpFfids.constLast() != ffid)
                dumpFfids << ffid;
        }
        QCOMPARE(viewerFfids, (QStringList{"70", "80", "70"}));
        QCOMPARE(dumpFfids, viewerFfids);
    }

    void settingsAreStoredAfterTheViewerOnly()
    {
        store({{"nowShIdx", 17}, {"fastStep", 20}});
        const QString path = openLine(shotsOf({{5, 2}, {6, 3}, {5, 1}}));
        child<QSpinBox>(*dialog, "fastStep")->setValue(35);
        child<QSpinBox>(*dialog, "custH2Pos")->setValue(181);
        QCOMPARE(stored().allKeys().size(), 2);
        QCOMPARE(pressOk(), QStringList{QStringLiteral("Number of shots:  3 ")});
        QVERIFY(dialog->isVisible());
        QStringList values;
        for (const char *key : {"segyName", "cust1Pos", "cust1Len", "cust2Pos", "cust2Len", "fastStep", "nowShIdx"})
            values << stored().value(kPrefix + QLatin1String(key), QStringLiteral("missing")).toString();
        QCOMPARE(values, (QStringList{path, "71", "2", "181", "4", "35", "17"}));

        // Cancel stores nothing more.
        child<QSpinBox>(*dialog, "fastStep")->setValue(90);
        QTest::mouseClick(child<QPushButton>(*dialog, "cancelButton"), Qt::LeftButton);
        QVERIFY(dialog->isHidden());
        QCOMPARE(stored().value(kPrefix + QStringLiteral("fastStep")).toInt(), 35);
    }

    void reopeningTheSameFile()
    {
        const QString path = openLine(shotsOf({{11, 4}, {12, 4}}));
        // A half-written index from an earlier run is rebuilt, not shown.
        QFile index(traceIndexPath(path));
        QVERIFY(index.open(QIODevice::WriteOnly) && index.write(QByteArray(kIndexRecordBytes + 3, '\0')) > 0);
        index.close();
        const QStringList twoShots{"Number of shots:  2 "};
        QCOMPARE(pressOk(), twoShots);
        QCOMPARE(QFileInfo(traceIndexPath(path)).size(), qint64(8 * kIndexRecordBytes));

        // A valid index is neither written again nor, for the file the dialog holds, read again.
        const TraceIndexRecord record{99, 0, 0, 4};
        QVERIFY(index.open(QIODevice::ReadWrite) && index.seek(3 * kIndexRecordBytes));
        index.write(reinterpret_cast<const char *>(&record), sizeof record);
        const QByteArray changed = index.seek(0) ? index.readAll() : QByteArray();
        index.close();
        QCOMPARE(pressOk(), twoShots);
        QVERIFY(index.open(QIODevice::ReadOnly) && index.readAll() == changed);
        index.close();

        // Another file is extracted afresh, and so is the first one after it, from its changed index.
        auto *name = child<QLineEdit>(*dialog, "segyName");
        name->setText(TestSupport::writeSegy(scratch->dataDir.path(), "other.sgy", TestSupport::ffidTraces({1, 2, 3, 4, 5})));
        QCOMPARE(pressOk(), QStringList{QStringLiteral("Number of shots:  5 ")});
        name->setText(path);
        QCOMPARE(pressOk(), QStringList{QStringLiteral("Number of shots:  3 ")});
    }
};

QTEST_MAIN(tst_BrowseHeaderDialog)
#include "tst_BrowseHeaderDialog.moc"
