#include "ShowHeaderTable.h"

#include "BrowseParams.h"
#include "GatherOpener.h"
#include "HeaderDefineTable.h"
#include "ShotSearchActions.h"
#include "TableRowCopier.h"
#include "ui_ShowHeaderTable.h"

#include <QBrush>
#include <QColor>
#include <QHeaderView>
#include <QMessageBox>
#include <QStandardItem>
#include <QStandardItemModel>

#include <iterator>
#include <memory>

namespace {

constexpr qint32 kColumnWidths[kColumnCount] = {70, 60, 60, 70, 60, 60, 90, 100,
                                                90, 100, 60, 70, 70, 70, 90, 90};

constexpr int kComboVisibleItems = 30;

CustomFields customFields(const BrowseParams &params)
{
    return {params.cust1Pos, params.cust1Len, params.cust2Pos, params.cust2Len};
}

} // namespace

ShowHeaderTable::ShowHeaderTable(BrowseParams *params, QVector<ShotEntry> shots, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::ShowHeaderTable)
{
    ui->setupUi(this);
    // A filter rather than a widget: the form's tree stays as designed.
    copier = std::make_unique<TableRowCopier>(ui->tableView);
    this->params = params;
    this->shots = std::move(shots);
    headerDefs = allocateHeaderDefs();
    readHeaderDefine(headerDefs);
    // "Show traces" in a window of its own, offered beside "Copy"; the form stays as designed.
    gatherOpener = std::make_unique<GatherOpener>(this, ui->tableView, ui->ffidCombo, params->segyName, this->shots, headerDefs);
    copier->addMenuActions({gatherOpener->action()});
    // Actions and a menu entry rather than widgets, as for the copy; the object is the window's child.
    auto *search = new ShotSearchActions(this, ui->ffidCombo, this->shots,
                                         FlaggedShotSearch(params->segyName, headerDefs, customFields(*params), this->shots));
    copier->addMenuActions(search->menuActions());
    if (!this->shots.isEmpty()) {
        firstTrace = this->shots.first().firstTrace;
        lastTrace = this->shots.first().lastTrace;
    }
    buildColumnNames();
    createModel();
    initLabels();
    // Its first item becoming current shows shot 0.
    fillFfidCombo();
}

ShowHeaderTable::~ShowHeaderTable()
{
    releaseHeaderDefs(headerDefs);
    delete model;
    delete ui;
}

void ShowHeaderTable::initLabels()
{
    // Built from the form's own texts, so this runs once, after setupUi.
    ui->segyNameLabel->setText(ui->segyNameLabel->text() + QLatin1Char(' ') + params->segyName);
    ui->totalShotsLabel->setText(ui->totalShotsLabel->text() + QLatin1Char(' ')
                                 + QString::number(shots.size()) + QLatin1Char(' '));
    ui->bulkUpButton->setToolTip(tr("Forward %1 shots").arg(params->fastStep));
    ui->bulkDownButton->setToolTip(tr("Backward %1 shots").arg(params->fastStep));
}

void ShowHeaderTable::createModel()
{
    model = new QStandardItemModel(lastTrace - firstTrace + 1, kColumnCount);
    ui->tableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ui->tableView->verticalHeader()->hide();
    ui->tableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    ui->tableView->setAlternatingRowColors(true);
}

void ShowHeaderTable::readHeaderDefine(int **table)
{
    readHostHeaderDefine(table);
}

void ShowHeaderTable::buildColumnNames()
{
    for (int c = 0; c < kFieldColumnCount; ++c)
        columnNames.append(QObject::tr(fieldName(c)));
    columnNames.append(tr("byte") + byteRangeText(params->cust1Pos, params->cust1Len));
    columnNames.append(tr("byte") + byteRangeText(params->cust2Pos, params->cust2Len));
    std::copy(std::begin(kColumnWidths), std::end(kColumnWidths), columnWidths);
}

void ShowHeaderTable::readShotHeaders()
{
    const ShotReadResult result = readShotRecords(params->segyName, headerDefs, firstTrace, lastTrace,
                                                  customFields(*params), traceRecords, customValues);
    // A block that does not map leaves the table empty without a word; only a file that cannot
    // be opened is the user's to fix.
    if (result == ShotReadResult::OpenFailed) {
        QMessageBox::information(this, QObject::tr("Error"),
                                 QObject::tr("Cannot open file: %1").arg(params->segyName));
    }
}

void ShowHeaderTable::fillTable()
{
    // A read either fills both lists for every row or leaves them empty; after a failed read the
    // rows stay empty, so no entry is read that the lists do not hold.
    const int rows = model->rowCount();
    const QVector<fbRec> &records = traceRecords;
    if (records.size() == rows && customValues.size() == rows && rows > 0) {
        const QBrush red(QColor(255, 0, 0));
        for (const int column : kShotConstantColumns) {
            if (columnAgrees(records, column)) {
                const QString text = cellText(records.at(0), customValues.at(0), column);
                for (int r = 0; r < rows; ++r)
                    model->setItem(r, column, new QStandardItem(text));
            } else {
                for (int r = 0; r < rows; ++r) {
                    model->setItem(r, column, new QStandardItem(cellText(records.at(r), customValues.at(r), column)));
                    model->item(r, column)->setForeground(red);
                }
            }
        }
        for (int column = 0; column < kColumnCount; ++column) {
            if (isShotConstantColumn(column))
                continue;
            for (int r = 0; r < rows; ++r)
                model->setItem(r, column, new QStandardItem(cellText(records.at(r), customValues.at(r), column)));
        }
    }

    ui->tableView->setModel(model);
    for (int c = 0; c < kColumnCount; ++c) {
        model->setHorizontalHeaderItem(c, new QStandardItem(columnNames.at(c)));
        ui->tableView->setColumnWidth(c, columnWidths[c]);
    }
}

void ShowHeaderTable::fillFfidCombo()
{
    ui->ffidCombo->setMaxVisibleItems(kComboVisibleItems);
    // A plain list below the combo, where the visible-item limit applies.
    ui->ffidCombo->setStyleSheet(QStringLiteral("combobox-popup:0;"));
    ui->ffidCombo->addItems(ffidComboTexts(shots));
}

void ShowHeaderTable::on_ffidCombo_currentIndexChanged()
{
    const int i = ui->ffidCombo->currentIndex();
    if (i < 0 || i >= shots.size())
        return;
    const ShotEntry &shot = shots.at(i);
    firstTrace = shot.firstTrace;
    lastTrace = shot.lastTrace;
    const qint32 n = lastTrace - firstTrace + 1;
    ui->ffidLabel->setText(tr("FFID: ") + QString::number(shot.ffid) + QLatin1Char(' ')
                           + QObject::tr("( %1 traces )").arg(n));

    delete model;
    model = nullptr;
    createModel();
    readShotHeaders();
    fillTable();
    setButton(i);
}

// Each button only moves the combo; a different index shows the shot through the combo's signal.

void ShowHeaderTable::on_downButton_clicked()
{
    const int t = qMax(ui->ffidCombo->currentIndex() - 1, 0);
    ui->ffidCombo->setCurrentIndex(t);
    setButton(t);
}

void ShowHeaderTable::on_upButton_clicked()
{
    const int t = qMin(ui->ffidCombo->currentIndex() + 1, int(shots.size()) - 1);
    ui->ffidCombo->setCurrentIndex(t);
    setButton(t);
}

void ShowHeaderTable::on_bulkUpButton_clicked()
{
    // 64 bits, so that no fast step can overflow the sum; a step past the end lands on the last shot.
    const int t = int(qBound<qint64>(0, qint64(ui->ffidCombo->currentIndex()) + params->fastStep,
                                     shots.size() - 1));
    ui->ffidCombo->setCurrentIndex(t);
    setButton(t);
}

void ShowHeaderTable::on_bulkDownButton_clicked()
{
    const int t = int(qBound<qint64>(0, qint64(ui->ffidCombo->currentIndex()) - params->fastStep,
                                     shots.size() - 1));
    ui->ffidCombo->setCurrentIndex(t);
    setButton(t);
}

void ShowHeaderTable::on_toStartButton_clicked()
{
    ui->ffidCombo->setCurrentIndex(0);
    setButton(0);
}

void ShowHeaderTable::on_toEndButton_clicked()
{
    const int t = int(shots.size()) - 1;
    ui->ffidCombo->setCurrentIndex(t);
    setButton(t);
}

void ShowHeaderTable::setButton(int ffidIndex)
{
    const int count = shots.size();
    bool backward = true;
    bool forward = true;
    if (ffidIndex == 0)
        backward = false;
    else if (ffidIndex == count - 1)
        forward = false;
    // One shot has nowhere to go; the combo stays enabled all the same.
    if (count == 1) {
        backward = false;
        forward = false;
    }
    ui->downButton->setEnabled(backward);
    ui->bulkDownButton->setEnabled(backward);
    ui->toStartButton->setEnabled(backward);
    ui->upButton->setEnabled(forward);
    ui->bulkUpButton->setEnabled(forward);
    ui->toEndButton->setEnabled(forward);
}
