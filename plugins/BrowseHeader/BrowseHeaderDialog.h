#pragma once

#include "BrowseParams.h"
#include "ProgressSink.h"
#include "ShotEntry.h"

#include <ZnDialog.h>

#include <QString>
#include <QVector>

#include <memory>
#include <optional>

class QProgressDialog;
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
    // The window-modal, cancel-free progress dialog of a scan, opened when the scan begins;
    // only the extraction's sets a minimum duration.
    ProgressSink progressDialogSink(std::unique_ptr<QProgressDialog> &progress, const QString &label,
                                    std::optional<int> minimumDurationMs);

    Ui::BrowseHeaderDialog *ui;
    BrowseParams params;
    QString projectDir;
    int **headerDefs = nullptr;
    QString extractedName;
    QVector<ShotEntry> shots;
};
