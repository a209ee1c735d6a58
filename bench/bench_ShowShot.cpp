// Times showing one shot in the header viewer for shots of 100, 1,000 and 10,000 traces: the
// headers read through one mapping of the shot's block against one positioned read per trace,
// and the whole show (read, model built and attached) as a combo change in a real viewer on the
// offscreen platform. Then times constructing a viewer over 100,000 shots, against filling a
// bare combo with the same texts.
//
// Usage: bench_ShowShot [folder]   (the temporary folder by default; about 70 MB are written)

#include "BenchSupport.h"

#include "BrowseParams.h"
#include "SegyWriter.h"
#include "ShotReader.h"
#include "ShotTable.h"
#include "ShowHeaderTable.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardItem>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

constexpr int kSamples = 1500;
constexpr int kFormatCode = 5;
// A one-trace shot first: each timed show starts from it, so that discarding the previous
// model costs the same for every size.
constexpr std::array<int, 4> kShotTraces = {1, 100, 1000, 10000};
constexpr int kManyShots = 100000;
// Enough repetitions that the smallest shot is timed over some milliseconds.
constexpr int kTracesPerMeasurement = 20000;

// The median of several runs of the step, in milliseconds per run.
static double medianMs(int runs, const std::function<void()> &step)
{
    std::vector<double> ms;
    QElapsedTimer timer;
    for (int i = 0; i < runs; ++i) {
        timer.start();
        step();
        ms.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

// The baseline: the same headers, each fetched with its own positioned read.
static bool readPerTrace(const QString &path, int **headerDefs, qint32 first, qint32 last,
                         const CustomFields &custom, QVector<fbRec> &records, QVector<CustomValues> &values)
{
    records.clear();
    values.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return false;
    TarnSegy segy(&file);
    segy.copyHdrDef(headerDefs);
    const qint64 traceBytes = segy.trBytes();
    const TraceDecoder decoder(HeaderLayout::fromDefinition(headerDefs), ByteOrder::BigEndian);
    const auto read = [&decoder](const char *h, int pos, int len) { return decoder.integer(h, pos, len); };
    char header[kTraceHeaderBytes];
    records.reserve(last - first + 1);
    values.reserve(last - first + 1);
    for (qint32 t = first; t <= last; ++t) {
        if (!file.seek(kFileHeaderBytes + traceBytes * t)
                || file.read(header, sizeof header) != qint64(sizeof header))
            return false;
        records.append(segy.getTrHeaderPars(header));
        values.append(CustomValues(read(header, custom.cust1Pos, custom.cust1Len),
                                   read(header, custom.cust2Pos, custom.cust2Len)));
    }
    return true;
}

static bool sameRecords(const QVector<fbRec> &a, const QVector<fbRec> &b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(),
                      [](const fbRec &x, const fbRec &y) { return std::memcmp(&x, &y, sizeof x) == 0; });
}

int main(int argc, char **argv)
{
    useQuietOffscreenQt();
    QApplication app(argc, argv);
    QTextStream out(stdout);
    const QStringList args = app.arguments();
    const QString folder = args.size() > 1 ? args.at(1) : QDir::tempPath();

    QTemporaryDir work(QDir(folder).filePath(QStringLiteral("bench_ShowShot-XXXXXX")));
    if (!work.isValid()) {
        out << "cannot create a folder in " << folder << "\n";
        return 1;
    }
    const QString segy = work.filePath(QStringLiteral("shots.sgy"));

    // The three shots one after another; source headers agree, receivers vary as in a real shot.
    SegyWriter::Layout layout;
    layout.samples = kSamples;
    layout.formatCode = kFormatCode;
    QVector<ShotEntry> shots;
    {
        SegyWriter writer(segy, layout);
        if (!writer.open()) {
            out << writer.errorString() << "\n";
            return 1;
        }
        SegyTraceHeader header;
        qint32 trace = 0;
        for (int s = 0; s < int(kShotTraces.size()); ++s) {
            shots.append({1001 + s, trace, trace + kShotTraces[s] - 1});
            for (int c = 0; c < kShotTraces[s]; ++c, ++trace) {
                header.clear();
                header.set(1, 4, trace + 1);
                header.set(9, 4, 1001 + s);
                header.set(13, 4, c + 1);
                header.set(37, 4, 25 * c - 3000);
                header.set(41, 4, 400 + c % 17);
                header.set(45, 4, 380);
                header.set(71, 2, -100);
                header.set(73, 4, 50000000 + 2500 * s);
                header.set(77, 4, 650000000);
                header.set(81, 4, 50000000 + 1250 * c);
                header.set(85, 4, 650000000 + c);
                header.set(189, 4, 7);
                header.set(193, 4, 8);
                if (!writer.writeTrace(header))
                    break;
            }
        }
        if (!writer.close()) {
            out << writer.errorString() << "\n";
            return 1;
        }
    }

    out << "machine: " << machineDescription()
        << ", Qt " << qVersion() << ", platform " << QApplication::platformName() << "\n"
        << "data: shots of 100, 1,000 and 10,000 traces (after a 1-trace shot) of " << kSamples << " samples (format "
        << kFormatCode << ", " << layout.samples * 4 + 240 << " bytes a trace), "
        << QString::number(QFileInfo(segy).size() / 1e6, 'f', 1) << " MB, read from a warm page cache\n";

    std::array<int, 16 * 2> pairs = {9, 4, 13, 4, 37, 4, 41, 4, 45, 4, 49, 4, 73, 4, 77, 4,
                                     81, 4, 85, 4, 189, 4, 99, 2, 193, 4, 101, 2, 21, 4, 71, 0};
    std::array<int *, 16> defs{};
    for (int k = 0; k < 16; ++k)
        defs[k] = &pairs[2 * k];
    const CustomFields custom{71, 2, 237, 4};

    BrowseParams params;
    params.segyName = segy;
    ShowHeaderTable viewer(&params, shots, nullptr);
    viewer.show();
    QApplication::processEvents();
    auto *combo = viewer.findChild<QComboBox *>(QStringLiteral("ffidCombo"));
    auto *table = viewer.findChild<QTableView *>(QStringLiteral("tableView"));
    if (!combo || !table) {
        out << "the viewer has no ffidCombo or tableView\n";
        return 1;
    }

    bool identical = true;
    out << "\nshowing one shot (median ms per shot)\n";
    out << qSetFieldWidth(8) << Qt::right << "traces" << qSetFieldWidth(16) << "mapped read"
        << "per-trace read" << "ratio" << "show (sync)" << "then paint" << "item floor" << "show / floor"
        << qSetFieldWidth(0) << "\n";
    // The floor of a shot switch: the old model deleted, the shot read through its mapping, a
    // fresh model given one item per cell with its text, attached to a view of the same size.
    QTableView floorView;
    floorView.resize(table->size());
    floorView.show();
    QStandardItemModel *floorModel = nullptr;
    const auto floorShow = [&](const ShotEntry &shot) {
        delete floorModel;
        QVector<fbRec> records;
        QVector<CustomValues> values;
        readShotRecords(segy, defs.data(), shot.firstTrace, shot.lastTrace, custom, records, values);
        floorModel = new QStandardItemModel(records.size(), kColumnCount);
        for (int r = 0; r < records.size(); ++r) {
            for (int c = 0; c < kColumnCount; ++c)
                floorModel->setItem(r, c, new QStandardItem(cellText(records.at(r), values.at(r), c)));
        }
        floorView.setModel(floorModel);
    };
    for (int s = 1; s < shots.size(); ++s) {
        const ShotEntry &shot = shots.at(s);
        const int runs = std::max(5, kTracesPerMeasurement / kShotTraces[s]);
        QVector<fbRec> mappedRecords;
        QVector<CustomValues> mappedValues;
        QVector<fbRec> readRecords;
        QVector<CustomValues> readValues;

        // Warm the page cache and check that both ways read the same.
        readShotRecords(segy, defs.data(), shot.firstTrace, shot.lastTrace, custom, mappedRecords, mappedValues);
        readPerTrace(segy, defs.data(), shot.firstTrace, shot.lastTrace, custom, readRecords, readValues);
        identical = identical && mappedRecords.size() == kShotTraces[s] && sameRecords(mappedRecords, readRecords)
                && mappedValues == readValues;

        const double mapped = medianMs(runs, [&] {
            readShotRecords(segy, defs.data(), shot.firstTrace, shot.lastTrace, custom, mappedRecords, mappedValues);
        });
        const double perTrace = medianMs(runs, [&] {
            readPerTrace(segy, defs.data(), shot.firstTrace, shot.lastTrace, custom, readRecords, readValues);
        });
        // A change of the combo shows the shot: read, model built and attached, all before the
        // change returns; the view lays out and paints in the next event-loop turn.
        std::vector<double> shows;
        std::vector<double> paints;
        std::vector<double> floors;
        QElapsedTimer timer;
        for (int i = 0; i < runs; ++i) {
            combo->setCurrentIndex(0);
            floorShow(shots.at(0));
            QApplication::processEvents();
            timer.start();
            combo->setCurrentIndex(s);
            shows.push_back(timer.nsecsElapsed() / 1e6);
            timer.start();
            QApplication::processEvents();
            paints.push_back(timer.nsecsElapsed() / 1e6);
            timer.start();
            floorShow(shot);
            floors.push_back(timer.nsecsElapsed() / 1e6);
            QApplication::processEvents();
        }
        const double floorMs = median(floors);
        std::sort(shows.begin(), shows.end());
        std::sort(paints.begin(), paints.end());
        identical = identical && table->model()->rowCount() == kShotTraces[s];

        out << qSetFieldWidth(8) << kShotTraces[s] << qSetFieldWidth(16)
            << QString::number(mapped, 'f', 3) << QString::number(perTrace, 'f', 3)
            << QString::number(perTrace / mapped, 'f', 1) + QStringLiteral("x")
            << QString::number(shows[shows.size() / 2], 'f', 3)
            << QString::number(paints[paints.size() / 2], 'f', 3) << QString::number(floorMs, 'f', 3)
            << QString::number(shows[shows.size() / 2] / floorMs, 'f', 2) + QStringLiteral("x")
            << qSetFieldWidth(0) << "\n";
    }
    out << "ratio: per-trace read / mapped read of the same shot; show (sync) holds the mapped read "
           "and the model's building; show / floor: the switch against its item floor, interleaved run by run\n";
    delete floorModel;
    out.flush();

    // Many shots: one trace each, so that the first shot shown costs nothing and the combo dominates.
    QVector<ShotEntry> many;
    many.reserve(kManyShots);
    for (int i = 0; i < kManyShots; ++i)
        many.append({100001 + i, i % kShotTraces[0], i % kShotTraces[0]});
    // Only the building, the filling and the construction are timed, never the destruction of
    // 100,000 texts or items.
    std::vector<double> textTimes;
    std::vector<double> bare;
    std::vector<double> construct;
    QElapsedTimer timer;
    for (int run = 0; run < 3; ++run) {
        timer.start();
        const QStringList texts = ffidComboTexts(many);
        textTimes.push_back(timer.nsecsElapsed() / 1e6);
        {
            QComboBox combo;
            combo.setMaxVisibleItems(30);
            timer.start();
            combo.addItems(texts);
            bare.push_back(timer.nsecsElapsed() / 1e6);
        }
        timer.start();
        ShowHeaderTable big(&params, many, nullptr);
        construct.push_back(timer.nsecsElapsed() / 1e6);
        auto *bigCombo = big.findChild<QComboBox *>(QStringLiteral("ffidCombo"));
        identical = identical && bigCombo && bigCombo->count() == kManyShots;
    }
    std::sort(textTimes.begin(), textTimes.end());
    const double textsMs = textTimes[1];
    std::sort(bare.begin(), bare.end());
    std::sort(construct.begin(), construct.end());
    const double bareMs = bare[1];
    const double constructMs = construct[1];
    out << "\nviewer over " << kManyShots << " shots: constructed in " << QString::number(constructMs, 'f', 1)
        << " ms, median of 3 (combo texts " << QString::number(textsMs, 'f', 1) << " ms); baseline: a bare combo filled "
        << "with the same texts " << QString::number(bareMs, 'f', 1) << " ms; ratio "
        << QString::number(constructMs / bareMs, 'f', 2) << "x\n"
        << "readings identical: " << (identical ? "yes" : "NO") << "\n";
    return identical ? 0 : 1;
}
