#pragma once

#include "GatherPlot.h"
#include "ShotEntry.h"

#include <HeaderLayout.h>
#include <SegyGeometry.h>

#include <QMetaObject>
#include <QString>
#include <QThreadPool>
#include <QVector>
#include <QWidget>

class GatherCanvas;
class QComboBox;
class QDialog;
class QDoubleSpinBox;
class QLabel;
class QSpinBox;
class QTableView;

/// The traces of the viewer's current shot in a window of their own, beside the viewer's form:
/// it follows the viewer's shot, shares the selection with its table both ways, and draws the
/// shot through GatherPlot with the controls' settings. A child window of the viewer, so that the
/// viewer's modal run lets it take input, and it goes when the viewer goes. A shot's traces are
/// read beside the viewer, on a thread of the window's own, so that the table of a new shot
/// never waits for them; the picture changes when they are in.
class GatherWindow final : public QWidget
{
    Q_OBJECT
    /// True while a shot's traces are being read; the picture still shows the shot before.
    Q_PROPERTY(bool reading READ isReading)

public:
    GatherWindow(QDialog *viewer, QTableView *table, QComboBox *shotCombo, const QString &segyPath,
                 const QVector<ShotEntry> &shots, const HeaderLayout &layout);
    ~GatherWindow() override;

    const GatherPlot &plot() const { return gatherPlot; }
    bool isReading() const { return readIndex >= 0; }
    /// Writes the picture as it is on screen; false when the file cannot be written.
    bool saveImage(const QString &path) const;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void readShot();
    void startRead(int index);
    void showRead(const QString &problem);
    GatherSettings controlSettings() const;
    void applySettings();
    void followSelection();
    void selectTrace(int trace, bool toggle);
    void saveAs();
    void redraw();

    QTableView *table;
    QComboBox *shotCombo;
    QString segyPath;
    QVector<ShotEntry> shots;
    HeaderLayout layout;
    bool inspected = false;
    SegyGeometry geometry;
    QString fileProblem;
    GatherPlot gatherPlot; // on screen
    GatherPlot nextPlot;   // the shot being read, the reader's alone until it is in
    int readIndex = -1;    // the viewer's shot being read; -1 when none is
    QThreadPool reader;
    QMetaObject::Connection selectionWatch;

    QComboBox *styleCombo;
    QSpinBox *agcSpin;
    QDoubleSpinBox *clipSpin;
    QSpinBox *startSpin;
    QSpinBox *endSpin;
    QSpinBox *velocitySpin;
    QComboBox *labelCombo;
    GatherCanvas *canvas;
    QLabel *message;
};
