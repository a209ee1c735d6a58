#include "SurveyRun.h"

#include <SegyGeometry.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr int kProgressBarWidth = 40;
constexpr qint64 kCopyBlockBytes = 1 << 20;

// A file of a folder is taken for SEG-Y by its file header: one the core reads, with the 3600
// bytes in front, whatever the file is called.
bool hasSegyFileHeader(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const SegyGeometry geometry = inspectSegy(file);
    return geometry.readable && geometry.hasFileHeader;
}

// One bar for the whole run: each file weighs its size.
class ProgressBar
{
public:
    ProgressBar(const QStringList &files, bool shown) : shown(shown), done(size_t(files.size()), 0)
    {
        for (const QString &path : files)
            weights.push_back(std::max<qint64>(1, QFileInfo(path).size()));
        for (const qint64 w : weights)
            total += w;
    }

    void report(int index, int percent)
    {
        if (!shown)
            return;
        const std::lock_guard<std::mutex> lock(mutex);
        done[size_t(index)] = percent;
        double sum = 0;
        int finished = 0;
        for (size_t i = 0; i < weights.size(); ++i) {
            sum += double(weights[i]) * done[i] / 100.0;
            finished += done[i] >= 100 ? 1 : 0;
        }
        const int overall = int(sum * 100.0 / double(total));
        if (overall == last)
            return;
        last = overall;
        const int filled = overall * kProgressBarWidth / 100;
        std::fprintf(stderr, "\rsegyhdr: %d/%d files [%s%s] %3d%%", finished, int(weights.size()),
                     QByteArray(filled, '#').constData(), QByteArray(kProgressBarWidth - filled, ' ').constData(), overall);
        if (overall >= 100)
            std::fprintf(stderr, "\n");
        std::fflush(stderr);
    }

private:
    bool shown;
    std::vector<qint64> weights;
    std::vector<int> done;
    qint64 total = 0;
    int last = -1;
    std::mutex mutex;
};

bool copyInto(QIODevice &from, QIODevice &to)
{
    from.seek(0);
    QByteArray block;
    while (!(block = from.read(kCopyBlockBytes)).isEmpty()) {
        if (to.write(block) != block.size())
            return false;
    }
    return true;
}

} // namespace

SurveyFiles collectSurveyFiles(const QStringList &inputs)
{
    SurveyFiles survey;
    for (const QString &input : inputs) {
        const QFileInfo info(input);
        if (!info.exists()) {
            survey.faults << QStringLiteral("%1: no such file or folder").arg(input);
        } else if (info.isDir()) {
            QStringList found;
            QDirIterator it(input, QDir::Files | QDir::Readable, QDirIterator::Subdirectories | QDirIterator::FollowSymlinks);
            while (it.hasNext()) {
                const QString path = it.next();
                if (!path.endsWith(QLatin1String(".index")) && hasSegyFileHeader(path))
                    found << path;
            }
            found.sort();
            if (found.isEmpty())
                survey.faults << QStringLiteral("%1: a folder without a SEG-Y file in it").arg(input);
            survey.files << found;
        } else {
            survey.files << input;
        }
    }
    return survey;
}

int runOverFiles(const QStringList &files, QIODevice &out, bool bar, const FileWork &work)
{
    ProgressBar progress(files, bar);
    const auto progressOf = [&progress](int index) { return [&progress, index](int p) { progress.report(index, p); }; };
    if (files.size() == 1) {
        const int status = work(0, files.first(), out, progressOf(0));
        progress.report(0, 100);
        return status;
    }

    // Each file's output goes to a scratch file of its own until it is its turn.
    struct Slot
    {
        std::unique_ptr<QTemporaryFile> output;
        int status = 0;
        bool finished = false;
    };
    std::vector<Slot> outputs(size_t(files.size()));
    std::mutex mutex;
    std::condition_variable finished;
    std::atomic<int> next{0};
    const auto worker = [&] {
        for (int i = next++; i < files.size(); i = next++) {
            auto output = std::make_unique<QTemporaryFile>(QDir::temp().filePath(QStringLiteral("segyhdr-XXXXXX")));
            int status = 2;
            if (output->open()) {
                status = work(i, files.at(i), *output, progressOf(i));
            } else {
                std::fprintf(stderr, "segyhdr: cannot create a scratch file in %s: %s\n",
                             qPrintable(QDir::tempPath()), qPrintable(output->errorString()));
                output.reset(); // nothing to copy out
            }
            progress.report(i, 100);
            const std::lock_guard<std::mutex> lock(mutex);
            outputs[size_t(i)] = {std::move(output), status, true};
            finished.notify_all();
        }
    };
    const int workers = std::min<int>(std::max(1, QThread::idealThreadCount()), files.size());
    std::vector<std::thread> threads;
    for (int w = 0; w < workers; ++w)
        threads.emplace_back(worker);

    int status = 0;
    for (size_t i = 0; i < outputs.size(); ++i) {
        std::unique_ptr<QTemporaryFile> output;
        {
            std::unique_lock<std::mutex> lock(mutex);
            finished.wait(lock, [&] { return outputs[i].finished; });
            output = std::move(outputs[i].output);
            status = std::max(status, outputs[i].status);
        }
        if (output && !copyInto(*output, out))
            status = 2;
    }
    for (std::thread &thread : threads)
        thread.join();
    return status;
}
