#include "BrowseHeaderDialog.h"

#include "HeaderDefineTable.h"
#include "OpenLine.h"
#include "ShowHeaderTable.h"
#include "ui_BrowseHeaderDialog.h"

#include <HeaderLayout.h>
#include <ZnBaseUtil.h>
#include <ZnProjectManager.h>

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPalette>
#include <QProgressDialog>

namespace {

const QString kKeyPrefix = QStringLiteral("BrowseHeader_BrowseHeaderDialog_");
const QString kSegyNameKey = kKeyPrefix + QStringLiteral("segyName");

struct IntSetting
{
    const char *name;
    qint32 BrowseParams::*field;
};

// In the order in which the values are read and written; segyName comes before them.
constexpr IntSetting kIntSettings[] = {
    {"cust1Pos", &BrowseParams::cust1Pos}, {"cust1Len", &BrowseParams::cust1Len},
    {"cust2Pos", &BrowseParams::cust2Pos}, {"cust2Len", &BrowseParams::cust2Len},
    {"fastStep", &BrowseParams::fastStep}, {"nowShIdx", &BrowseParams::nowShIdx},
};

constexpr int kProgressMinimumWidth = 300;
constexpr int kProgressMinimumHeight = 80;
constexpr int kExtractionMinimumDurationMs = 1000;

// A custom field may start no later than where its last byte is the last byte of the header.
void limitCustomPosition(qint32 &position, qint32 length, QSpinBox *box)
{
    const qint32 limit = kTraceHeaderBytes + 1 - length;
    if (position > limit) {
        position = limit;
        box->setValue(limit);
    }
}

} // namespace

BrowseHeaderDialog::BrowseHeaderDialog(QWidget *parent)
    : ZnDialog(parent)
    , ui(new Ui::BrowseHeaderDialog)
{
    ui->setupUi(this);
    projectDir = ZnProjectManager::instance().define().projectDir;
    headerDefs = allocateHeaderDefs();
    readHeaderDefine(headerDefs);
    loadSettings();
    initWidgets();
}

BrowseHeaderDialog::~BrowseHeaderDialog()
{
    releaseHeaderDefs(headerDefs);
    delete ui;
}

QString BrowseHeaderDialog::helpFile()
{
    return QStringLiteral("w_cover.html");
}

void BrowseHeaderDialog::readHeaderDefine(int **table)
{
    readHostHeaderDefine(table);
}

void BrowseHeaderDialog::loadSettings()
{
    params.segyName = ZnBaseUtil::projectValue(kSegyNameKey, params.segyName).toString();
    for (const IntSetting &setting : kIntSettings) {
        qint32 &field = params.*setting.field;
        field = ZnBaseUtil::projectValue(kKeyPrefix + QLatin1String(setting.name), field).toInt();
    }
}

void BrowseHeaderDialog::saveSettings()
{
    ZnBaseUtil::setProjectValue(kSegyNameKey, params.segyName);
    for (const IntSetting &setting : kIntSettings)
        ZnBaseUtil::setProjectValue(kKeyPrefix + QLatin1String(setting.name), params.*setting.field);
}

void BrowseHeaderDialog::initWidgets()
{
    ui->segyName->setText(params.segyName);
    if (params.segyName.isEmpty())
        ui->okButton->setEnabled(false);
    ui->custH1Pos->setValue(params.cust1Pos);
    ui->custH1Len->setValue(params.cust1Len);
    ui->custH2Pos->setValue(params.cust2Pos);
    ui->custH2Len->setValue(params.cust2Len);
    ui->fastStep->setValue(params.fastStep);
}

void BrowseHeaderDialog::on_segyName_textChanged()
{
    params.segyName = ui->segyName->text();
    const QFileInfo info(params.segyName);
    const bool bad = !info.isFile() || info.size() == 0;

    QPalette palette;
    palette.setColor(QPalette::Text, bad ? Qt::red : Qt::black);
    ui->okButton->setEnabled(!bad);
    ui->segyName->setPalette(palette);
}

void BrowseHeaderDialog::on_openButton_clicked()
{
    const QString name = QFileDialog::getOpenFileName(this, QObject::tr("Open"), projectDir,
                                                      QStringLiteral("SEGY Files (*.sgy *.segy *.SGY *.SEGY)"));
    if (name.isEmpty())
        return;
    params.segyName = name;
    ui->segyName->setText(name);
}

void BrowseHeaderDialog::on_custH1Pos_valueChanged()
{
    params.cust1Pos = ui->custH1Pos->value();
    limitCustomPosition(params.cust1Pos, params.cust1Len, ui->custH1Pos);
}

void BrowseHeaderDialog::on_custH1Len_valueChanged()
{
    params.cust1Len = ui->custH1Len->value();
    limitCustomPosition(params.cust1Pos, params.cust1Len, ui->custH1Pos);
}

void BrowseHeaderDialog::on_custH2Pos_valueChanged()
{
    params.cust2Pos = ui->custH2Pos->value();
    limitCustomPosition(params.cust2Pos, params.cust2Len, ui->custH2Pos);
}

void BrowseHeaderDialog::on_custH2Len_valueChanged()
{
    params.cust2Len = ui->custH2Len->value();
    limitCustomPosition(params.cust2Pos, params.cust2Len, ui->custH2Pos);
}

void BrowseHeaderDialog::on_fastStep_valueChanged()
{
    params.fastStep = ui->fastStep->value();
}

void BrowseHeaderDialog::accept()
{
    const QString path = params.segyName;
    std::unique_ptr<QProgressDialog> indexProgress;
    std::unique_ptr<QProgressDialog> shotProgress;
    OpenLineOptions options;
    // A file outside the conventions that the viewer's reading relies on is refused before any
    // index is written, so that no table ever shows values read from the wrong bytes.
    options.viewerLayoutOnly = true;
    options.extractShots = extractedName != path;
    options.indexProgress = progressDialogSink(indexProgress, QObject::tr("Create SEGY Index......"), std::nullopt);
    options.shotProgress = progressDialogSink(shotProgress, QObject::tr("Extracting Shot Index......"),
                                              kExtractionMinimumDurationMs);
    // Until an extraction succeeds, the held shots belong to no file.
    if (options.extractShots)
        extractedName.clear();

    OpenedLine line = openLine(path, HeaderLayout::fromDefinition(headerDefs), options);
    if (!line.ok()) {
        if (options.extractShots)
            shots.clear();
        QMessageBox::critical(this, QObject::tr("Error"), line.message(path));
        return;
    }
    if (options.extractShots) {
        shots = std::move(line.shots);
        extractedName = path;
    }

    ShowHeaderTable viewer(&params, shots, nullptr);
    viewer.exec();
    saveSettings();
}

ProgressSink BrowseHeaderDialog::progressDialogSink(std::unique_ptr<QProgressDialog> &progress,
                                                const QString &label, std::optional<int> minimumDurationMs)
{
    ProgressSink sink;
    sink.begun = [this, &progress, label, minimumDurationMs] {
        progress = std::make_unique<QProgressDialog>(label, QObject::tr("Cancel"), 0, 100, this);
        progress->setWindowModality(Qt::WindowModal);
        progress->setWindowTitle(tr("Browse SEGY Header"));
        // The scan cannot be interrupted halfway, so the dialog offers no cancel button.
        progress->setCancelButton(nullptr);
        progress->setMinimumWidth(kProgressMinimumWidth);
        progress->setMinimumHeight(kProgressMinimumHeight);
        progress->show();
        progress->setValue(0);
        if (minimumDurationMs)
            progress->setMinimumDuration(*minimumDurationMs);
    };
    sink.valueChanged = [&progress](int value) { progress->setValue(value); };
    sink.ended = [&progress] { progress.reset(); };
    return sink;
}
