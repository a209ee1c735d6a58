#include "ZnDialog.h"

#include "ZnBaseUtil.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

ZnDialog::ZnDialog(QWidget *parent)
    : QDialog(parent)
{
}

ZnDialog::~ZnDialog() = default;

QString ZnDialog::helpFile()
{
    return QString();
}

void ZnDialog::showEvent(QShowEvent *event)
{
    // Plug-in dialogs are created without a parent; centre them once over the window the
    // user was working in, as a parented dialog would be.
    if (!placed && !parentWidget()) {
        placed = true;
        const QWidget *host = QApplication::activeWindow();
        if (host && host != this && host->isVisible()) {
            QRect frame = frameGeometry();
            frame.moveCenter(host->frameGeometry().center());
            move(frame.topLeft());
        }
    }
    QDialog::showEvent(event);
}

void ZnDialog::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
        showHelp();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void ZnDialog::showHelp()
{
    const QString page = helpFile();
    const QString path = QDir(ZnBaseUtil::helpDirectory()).filePath(page);
    if (page.isEmpty() || !QFileInfo(path).isFile()) {
        QMessageBox::information(this, tr("Help"),
                                 tr("There is no help page for this dialog: %1")
                                         .arg(page.isEmpty() ? windowTitle() : QDir::toNativeSeparators(path)));
        return;
    }

    auto *viewer = new QDialog(this);
    viewer->setAttribute(Qt::WA_DeleteOnClose);
    viewer->setObjectName(QStringLiteral("ZnHelpViewer"));
    viewer->setWindowTitle(tr("Help"));
    viewer->resize(640, 480);
    auto *browser = new QTextBrowser(viewer);
    browser->setOpenExternalLinks(true);
    browser->setSource(QUrl::fromLocalFile(path));
    auto *layout = new QVBoxLayout(viewer);
    layout->addWidget(browser);
    viewer->show();
}
