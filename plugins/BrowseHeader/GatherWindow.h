#pragma once

#include "GatherPlot.h"
#include "ShotEntry.h"

#include <HeaderLayout.h>
#include <SegyGeometry.h>

#include <QMetaObject>
#include <QString>
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
/// viewer's modal run lets it take input, and it goes when the viewer goes.
class GatherWindow final : public QWidget
{
    Q_OBJECT

public:
    GatherWindow(QDialog *viewer, QTableView *table, QComboBox *shotCombo, const QString &segyPath,
                 const QVector<ShotEntry> &shots, const HeaderLayout &layout);

    const GatherPlot &plot() const { return gatherPlot; }
    /// Writes the picture as it is on screen; false when the file cannot be written.
    bool saveImage(const QString &path) const;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void readShot();
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
    GatherPlot gatherPlot;
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
