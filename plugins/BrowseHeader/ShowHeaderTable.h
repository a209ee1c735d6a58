#pragma once

#include "ShotEntry.h"
#include "ShotReader.h"
#include "ShotTable.h"

#include <QDialog>
#include <QStringList>
#include <QVector>

#include <memory>

struct BrowseParams;
class GatherOpener;
class QStandardItemModel;
class TableRowCopier;
namespace Ui { class ShowHeaderTable; }

/// Shows the trace headers of a SEG-Y file one shot at a time, with buttons and a combo to
/// move between the shots of the index it is given.
class ShowHeaderTable : public QDialog
{
    Q_OBJECT

public:
    ShowHeaderTable(BrowseParams *params, QVector<ShotEntry> shots, QWidget *parent = nullptr);
    ~ShowHeaderTable() override;

private slots:
    void on_ffidCombo_currentIndexChanged();
    void on_downButton_clicked();
    void on_upButton_clicked();
    void on_bulkUpButton_clicked();
    void on_bulkDownButton_clicked();
    void on_toStartButton_clicked();
    void on_toEndButton_clicked();
    void setButton(int ffidIndex);

private:
    void initLabels();
    void createModel();
    void readHeaderDefine(int **table);
    void buildColumnNames();
    void readShotHeaders();
    void fillTable();
    void fillFfidCombo();

    Ui::ShowHeaderTable *ui = nullptr;
    int **headerDefs = nullptr;
    QStringList columnNames;
    qint32 columnWidths[kColumnCount] = {};
    QStandardItemModel *model = nullptr;
    BrowseParams *params = nullptr;
    QVector<ShotEntry> shots;
    QVector<fbRec> traceRecords;
    QVector<CustomValues> customValues;
    qint32 firstTrace = 0;
    qint32 lastTrace = -1;
    std::unique_ptr<TableRowCopier> copier;
    std::unique_ptr<GatherOpener> gatherOpener;
};
