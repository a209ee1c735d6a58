#include "GatherPlot.h"
#include "SegyLine.h"

#include <QPainter>
#include <QSvgGenerator>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

Q_DECLARE_METATYPE(fbRec)

namespace {

// One split-spread shot whose first breaks arrive at kInterceptMs + |offset| / kVelocity, with the
// header offset of trace kPlanted 400 m too short, so that moveout leaves its first break late.
constexpr double kVelocity = 2000.0;
constexpr double kInterceptMs = 40.0;
constexpr int kChannels = 48;
constexpr int kPlanted = 44;
constexpr int kWrongBy = -400;
constexpr int kPlotRows = 400;

SegyLine firstBreakLine()
{
    SegyLine line;
    line.layout.samples = 500;
    line.layout.formatCode = 1;
    line.channels = kChannels;
    line.traces = kChannels;
    line.groupSpacing = 25.0;
    line.nearOffset = -(kChannels / 2 - 0.5) * line.groupSpacing;
    line.firstBreakVelocity = kVelocity;
    line.interceptMs = kInterceptMs;
    const double planted = line.nearOffset + kPlanted * line.groupSpacing;
    line.overrides = {{kPlanted, kPlanted, 37, 4, std::llround(planted) + kWrongBy}};
    return line;
}

// The picture's size whose plot has the given number of rows.
QSize sizeWithRows(const GatherPlot &plot, int width, int rows)
{
    const QSize probe(width, 1000);
    return QSize(width, rows + probe.height() - plot.plotRect(probe).height());
}

// How far each trace's column swings away from the zero colour at most, in grey levels, in the
// plot's rows from the fraction `from` of its height down.
QVector<int> swings(const GatherPlot &plot, const QSize &size, double from = 0.0)
{
    const QImage image = plot.image(size);
    const QRect area = plot.plotRect(size);
    QVector<int> swing;
    for (int i = 0; i < plot.gather().traceCount(); ++i) {
        int most = 0;
        for (int y = area.top() + int(from * area.height()); y <= area.bottom(); ++y)
            most = qMax(most, std::abs(qGray(image.pixel(int(plot.traceCentre(i, size)), y)) - 127));
        swing.append(most);
    }
    return swing;
}

} // namespace

class tst_GatherPlot : public QObject
{
    Q_OBJECT

private slots:
    void moveout_data()
    {
        QTest::addColumn<double>("velocity");
        QTest::addColumn<double>("startMs");
        QTest::newRow("no moveout: the first breaks follow |offset| / 2000 m/s") << 0.0 << 0.0;
        QTest::newRow("the line's velocity flattens them, the planted offset stands out") << kVelocity << 0.0;
        QTest::newRow("2500 m/s leaves them sloping") << 2500.0 << 0.0;
        QTest::newRow("the line's velocity from 30 ms") << kVelocity << 30.0;
    }

    // Where the first breaks show: on each trace's column, the first row off the zero colour.
    void moveout()
    {
        QFETCH(double, velocity);
        QFETCH(double, startMs);
        QTemporaryDir dir;
        const SegyLine line = firstBreakLine();
        const QString path = dir.filePath(QStringLiteral("line.sgy"));
        QString error;
        QVERIFY2(line.write(path, &error), qPrintable(error));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        ShotGather gather;
        QVERIFY2(readShotGather(path, inspectSegy(file), TraceDecoder(HeaderLayout::rev1(), ByteOrder::BigEndian),
                                {1, 0, kChannels - 1}, &gather, &error), qPrintable(error));
        GatherPlot plot;
        plot.setGather(gather);
        GatherSettings settings;
        settings.lmoVelocity = velocity;
        settings.startMs = startMs;
        settings.endMs = startMs + kPlotRows; // a row a millisecond
        plot.setSettings(settings);
        const QSize size = sizeWithRows(plot, 700, kPlotRows);
        const QImage image = plot.image(size);
        const QRect area = plot.plotRect(size);

        QVector<double> picks;
        for (int i = 0; i < kChannels; ++i) {
            int y = area.top();
            while (y <= area.bottom() && std::abs(qGray(image.pixel(int(plot.traceCentre(i, size)), y)) - 127) < 8)
                ++y;
            picks.append(startMs + y - area.top());
            const double trueOffset = line.nearOffset + i * line.groupSpacing;
            const double expected = kInterceptMs + 1000.0 * std::fabs(trueOffset) / kVelocity - plot.moveoutMs(i);
            QVERIFY2(std::fabs(picks.last() - expected) <= 3.0,
                     qPrintable(QStringLiteral("trace %1: %2 ms, not %3").arg(i).arg(picks.last()).arg(expected)));
        }
        QCOMPARE(plot.moveoutMs(kPlanted), velocity > 0 ? 1000.0 * std::fabs(double(gather.records.at(kPlanted).offset)) / velocity : 0.0);
        // The measure itself: the others within a sample or two of each other, the planted one
        // apart from its neighbours.
        QVector<double> others = picks;
        others.remove(kPlanted);
        const auto [low, high] = std::minmax_element(others.cbegin(), others.cend());
        QCOMPARE(*high - *low <= 4.0, velocity == kVelocity);
        const double neighbours = (picks.at(kPlanted - 1) + picks.at(kPlanted + 1)) / 2;
        QCOMPARE(std::fabs(picks.at(kPlanted) - neighbours) > 100.0, velocity > 0);
    }

    void gain_data()
    {
        QTest::addColumn<double>("agcMs");
        QTest::addColumn<double>("clip");
        QTest::addColumn<QVector<int>>("bounds"); // weak trace's swing from, to; the strong one's from, to
        QTest::addColumn<bool>("damaged");        // a NaN and an infinity among the strong trace's samples
        QTest::newRow("no gain, clipped at the largest: the weak trace stays grey") << 0.0 << 100.0 << QVector<int>{0, 3, 120, 128} << false;
        QTest::newRow("AGC lifts the weak trace") << 200.0 << 100.0 << QVector<int>{100, 128, 100, 128} << false;
        QTest::newRow("clipped at the median: the weak trace saturates") << 0.0 << 50.0 << QVector<int>{100, 128, 120, 128} << false;
        // Neither may blank the window around it, nor the trace, nor set the clip level.
        QTest::newRow("AGC over a NaN and an infinity") << 200.0 << 100.0 << QVector<int>{100, 128, 100, 128} << true;
        QTest::newRow("no gain over a NaN and an infinity") << 0.0 << 100.0 << QVector<int>{0, 3, 120, 128} << true;
    }

    // A 10 Hz trace beside the same trace a hundred times as strong.
    void gain()
    {
        QFETCH(double, agcMs);
        QFETCH(double, clip);
        QFETCH(QVector<int>, bounds);
        QFETCH(bool, damaged);
        ShotGather gather;
        gather.samples = 500;
        gather.intervalMs = 2.0;
        gather.records = QVector<fbRec>(2, fbRec{});
        for (const float amplitude : {1.0f, 100.0f}) {
            for (int s = 0; s < gather.samples; ++s)
                gather.values.append(amplitude * float(std::sin(2 * M_PI * 10.0 * s * gather.intervalMs / 1000.0)));
        }
        if (damaged) {
            gather.values[gather.samples + 100] = std::numeric_limits<float>::quiet_NaN();
            gather.values[gather.samples + 300] = std::numeric_limits<float>::infinity();
        }
        GatherPlot plot;
        plot.setGather(gather);
        GatherSettings settings;
        settings.agcMs = agcMs;
        settings.clipPercentile = clip;
        plot.setSettings(settings);
        // The last fifth lies past both bad samples, so that whatever they spoil shows there.
        const QVector<int> swing = swings(plot, QSize(300, 500), damaged ? 0.8 : 0.0);
        QVERIFY2(swing.at(0) >= bounds.at(0) && swing.at(0) <= bounds.at(1) && swing.at(1) >= bounds.at(2)
                 && swing.at(1) <= bounds.at(3), qPrintable(QStringLiteral("%1 %2").arg(swing.at(0)).arg(swing.at(1))));
    }

    // The clip percentile is taken over the samples there are: the rows past the traces' end, two
    // thirds of the picture here, hold none and must not pull the clip level down.
    void clipOverSamplesOnly()
    {
        ShotGather gather;
        gather.samples = 500;
        gather.intervalMs = 2.0;
        gather.records = QVector<fbRec>(2, fbRec{});
        for (int s = 0; s < 2 * gather.samples; ++s)
            gather.values.append(float(std::sin(2 * M_PI * 10.0 * (s % gather.samples) * gather.intervalMs / 1000.0)));
        GatherPlot plot;
        plot.setGather(gather);
        GatherSettings settings;
        settings.clipPercentile = 80.0;
        settings.endMs = 3 * gather.samples * gather.intervalMs;
        plot.setSettings(settings);
        const QSize size = sizeWithRows(plot, 200, 300);
        const QImage image = plot.image(size);
        const QRect area = plot.plotRect(size);
        // The rows meet the wave at 0, 0.59 and 0.95 of its peak, two fifths of them at 0.95, the
        // 80th percentile, which reach full black or white. With the empty rows counted the clip
        // level falls to 0.59, and four fifths would.
        int full = 0;
        const int rows = area.height() / 3;
        for (int y = area.top(); y < area.top() + rows; ++y) {
            const int grey = qGray(image.pixel(int(plot.traceCentre(0, size)), y));
            full += grey == 0 || grey == 255;
        }
        QVERIFY2(full > rows / 5 && full < rows * 3 / 5, qPrintable(QStringLiteral("%1 of %2 rows at full colour").arg(full).arg(rows)));
    }

    void labels_data()
    {
        QTest::addColumn<int>("label");
        QTest::addColumn<QStringList>("texts"); // the axis's title, then a label of each trace
        QTest::newRow("by channel") << int(TraceLabel::Channel) << QStringList{"Channel", "7", "8", "9"};
        QTest::newRow("by offset") << int(TraceLabel::Offset) << QStringList{"Offset", "-150", "50", "2150"};
    }

    // The traces' labels, as the picture's vector form writes them out.
    void labels()
    {
        QFETCH(int, label);
        QFETCH(QStringList, texts);
        ShotGather gather;
        gather.samples = 10;
        gather.intervalMs = 4.0;
        gather.values = QVector<float>(30, 0.0f);
        const int offsets[] = {-150, 50, 2150};
        for (int i = 0; i < 3; ++i) {
            fbRec record{};
            record.channel = 7 + i;
            record.offset = offsets[i];
            gather.records.append(record);
        }
        GatherPlot plot;
        plot.setGather(gather);
        GatherSettings settings;
        settings.label = TraceLabel(label);
        plot.setSettings(settings);
        QBuffer buffer;
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(QSize(600, 300));
        {
            QPainter painter(&svg);
            plot.paint(painter, QSize(600, 300));
        }
        const QString drawn = QString::fromUtf8(buffer.data());
        for (const QString &text : texts)
            QVERIFY2(drawn.contains(QLatin1Char('>') + text + QLatin1Char('<')), qPrintable(text));
    }

    void flagged_data()
    {
        QTest::addColumn<QVector<fbRec>>("records");
        QTest::addColumn<QVector<int>>("flagged");
        fbRec base{};
        base.source_x = 500000.0f;
        base.source_y = 6500000.0f;
        const auto shot = [base](const std::function<void(QVector<fbRec> &)> &change) {
            QVector<fbRec> records(6, base);
            change(records);
            return records;
        };
        QTest::newRow("a consistent shot") << shot([](auto &) {}) << QVector<int>{};
        QTest::newRow("one source_x unlike the rest") << shot([](auto &r) { r[2].source_x += 1.0f; }) << QVector<int>{2};
        QTest::newRow("a NaN source_y") << shot([](auto &r) { r[4].source_y = std::numeric_limits<float>::quiet_NaN(); })
                                       << QVector<int>{4};
        QTest::newRow("a varying s_elev is not a position") << shot([](auto &r) { r[1].s_elev = 9; }) << QVector<int>{};
        QTest::newRow("source_x in two halves: neither is the shot's")
                << shot([](auto &r) { for (int i = 3; i < 6; ++i) r[i].source_x += 5.0f; }) << QVector<int>{0, 1, 2, 3, 4, 5};
    }

    void flagged()
    {
        QFETCH(QVector<fbRec>, records);
        QFETCH(QVector<int>, flagged);
        ShotGather gather;
        gather.records = records;
        GatherPlot plot;
        plot.setGather(gather);
        QCOMPARE(plot.flagged(), flagged);
    }
};

QTEST_MAIN(tst_GatherPlot)
#include "tst_GatherPlot.moc"
