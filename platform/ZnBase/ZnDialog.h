#pragma once

#include "ZnBaseGlobal.h"

#include <QDialog>
#include <QString>

/// The base of the host's dialogs: F1 shows the dialog's help page, and a dialog
/// without a parent opens over the host's window rather than anywhere on the screen.
class ZNBASE_EXPORT ZnDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ZnDialog(QWidget *parent = nullptr);
    ~ZnDialog() override;

    /// The file name of this dialog's page in the host's help folder; empty when it has none.
    virtual QString helpFile();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void showHelp();

    bool placed = false;
};
