// Runs a fuzz target once over each input: every file in each folder named, or the file named.
// A folder that does not exist holds nothing; the run fails when there is nothing at all to run.

#include "FuzzInput.h"

#include <QDir>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

int main(int argc, char **argv)
{
    int inputs = 0;
    for (int a = 1; a < argc; ++a) {
        const QFileInfo arg(QString::fromLocal8Bit(argv[a]));
        const QFileInfoList files = arg.isFile() ? QFileInfoList{arg} : QDir(arg.filePath()).entryInfoList(QDir::Files);
        for (const QFileInfo &info : files) {
            QFile file(info.filePath());
            fuzzCheck(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size()));
            ++inputs;
        }
    }
    return inputs > 0 ? 0 : 1;
}
