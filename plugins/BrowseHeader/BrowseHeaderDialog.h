#pragma once

#include "BrowseParams.h"
#include "ShotEntry.h"

#include <ZnDialog.h>

#include <QString>
#include <QVector>

#include <memory>

class QProgressDialog;
class TarnSegy;
namespace Ui { class BrowseHeaderDialog; }

class BrowseHeaderDialog : public ZnDialog
{
    Q_OBJECT

public:
    explicit BrowseHeaderDialog(QWidget *parent);
    ~BrowseHeaderDialog() override;

    QString helpFile() override;

private slots:
    void on_segyName_textChanged();
    void on_openButton_clicked();
    void on_custH1Pos_valueChanged();
    void on_custH1Len_valueChanged();
    void on_custH2Pos_valueChanged();
    void on_custH2Len_valueChanged();
    void on_fastStep_valueChanged();
    void accept() override;

private:
    void readHeaderDefine(int **table);
    void loadSettings();
    void saveSettings();
    void initWidgets();
    bool createSegyIndex(TarnSegy &segy, const BrowseParams &browseParams);
    bool extractShotIndex();
    std::unique_ptr<QProgressDialog> openProgressDialog(const QString &label);

    Ui::BrowseHeaderDialog *ui;
    BrowseParams params;
    QString projectDir;
    int **headerDefs = nullptr;
    QString extractedName;
    QVector<ShotEntry> shots;
};
