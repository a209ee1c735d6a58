#include "GatherWindow.h"

#include <QComboBox>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QSpinBox>
#include <QThreadPool>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>
#include <utility>

namespace {

constexpr int kDefaultAgcMs = 500;
constexpr int kMaxAgcMs = 10000;
constexpr double kDefaultClip = 99.0;
constexpr int kMaxVelocity = 20000;
constexpr int kVelocityStep = 100;
constexpr int kMaxTimeMs = 1000000;
const QSize kInitialSize(1000, 700);

template <typename Spin>
Spin *spin(QWidget *parent, int minimum, int maximum, int value, const QString &suffix)
{
    auto *box = new Spin(parent);
    box->setRange(minimum, maximum);
    box->setValue(value);
    box->setSuffix(suffix);
    box->setKeyboardTracking(false);
    return box;
}

} // namespace

// Where the picture is drawn: it keeps the last one and draws it again only when something changed.
class GatherCanvas final : public QWidget
{
public:
    GatherCanvas(const GatherPlot &plot, std::function<void(int trace, bool toggle)> clicked, QWidget *parent)
        : QWidget(parent), plot(plot), clicked(std::move(clicked))
    {
        setObjectName(QStringLiteral("gatherCanvas"));
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        setMinimumSize(200, 150);
        // The picture covers the canvas: nothing to clear beneath it first.
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

    void refresh()
    {
        picture = QImage();
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        if (picture.size() != size())
            picture = plot.image(size());
        QPainter(this).drawImage(0, 0, picture);
    }

    void mousePressEvent(QMouseEvent *event) override
    {
        const int trace = plot.traceAt(event->pos(), size());
        if (event->button() == Qt::LeftButton && trace >= 0)
            clicked(trace, event->modifiers() & Qt::ControlModifier);
    }

private:
    const GatherPlot &plot;
    std::function<void(int, bool)> clicked;
    QImage picture;
};

GatherWindow::GatherWindow(QDialog *viewer, QTableView *table, QComboBox *shotCombo, const QString &segyPath,
                           const QVector<ShotEntry> &shots, const HeaderLayout &layout)
    : QWidget(viewer, Qt::Window)
    , table(table)
    , shotCombo(shotCombo)
    , segyPath(segyPath)
    , shots(shots)
    , layout(layout)
{
    setObjectName(QStringLiteral("GatherWindow"));
    setWindowTitle(tr("Traces"));
    resize(kInitialSize);

    styleCombo = new QComboBox(this);
    styleCombo->addItems({tr("Grey"), tr("Red-white-blue"), tr("Wiggles")});
    agcSpin = spin<QSpinBox>(this, 0, kMaxAgcMs, kDefaultAgcMs, tr(" ms"));
    agcSpin->setSpecialValueText(tr("none"));
    clipSpin = spin<QDoubleSpinBox>(this, 50, 100, 0, tr(" %"));
    clipSpin->setDecimals(1);
    clipSpin->setValue(kDefaultClip);
    startSpin = spin<QSpinBox>(this, 0, kMaxTimeMs, 0, tr(" ms"));
    endSpin = spin<QSpinBox>(this, 0, kMaxTimeMs, 0, tr(" ms"));
    velocitySpin = spin<QSpinBox>(this, 0, kMaxVelocity, 0, tr(" m/s"));
    velocitySpin->setSingleStep(kVelocityStep);
    velocitySpin->setSpecialValueText(tr("off"));
    labelCombo = new QComboBox(this);
    labelCombo->addItems({tr("Channel"), tr("Offset")});
    auto *save = new QToolButton(this);
    save->setText(tr("Save PNG..."));
    // Named as the members are, for those who drive the window from outside.
    for (const auto &[widget, name] : {std::pair<QWidget *, const char *>{styleCombo, "styleCombo"}, {agcSpin, "agcSpin"},
                                       {clipSpin, "clipSpin"}, {startSpin, "startSpin"}, {endSpin, "endSpin"},
                                       {velocitySpin, "velocitySpin"}, {labelCombo, "labelCombo"}, {save, "saveButton"}})
        widget->setObjectName(QLatin1String(name));

    auto *controls = new QHBoxLayout;
    const auto add = [controls, this](const QString &label, QWidget *widget) {
        controls->addWidget(new QLabel(label, this));
        controls->addWidget(widget);
    };
    add(tr("Display:"), styleCombo);
    add(tr("AGC:"), agcSpin);
    add(tr("Clip:"), clipSpin);
    add(tr("Time:"), startSpin);
    add(tr("to"), endSpin);
    add(tr("Moveout velocity:"), velocitySpin);
    add(tr("Label:"), labelCombo);
    controls->addStretch();
    controls->addWidget(save);

    canvas = new GatherCanvas(gatherPlot, [this](int trace, bool toggle) { selectTrace(trace, toggle); }, this);
    message = new QLabel(this);
    message->setStyleSheet(QStringLiteral("color: red"));
    message->setWordWrap(true);
    message->hide();
    auto *layoutBox = new QVBoxLayout(this);
    layoutBox->addLayout(controls);
    layoutBox->addWidget(canvas, 1);
    layoutBox->addWidget(message);

    for (QComboBox *combo : {styleCombo, labelCombo})
        connect(combo, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &GatherWindow::applySettings);
    for (QSpinBox *box : {agcSpin, startSpin, endSpin, velocitySpin})
        connect(box, QOverload<int>::of(&QSpinBox::valueChanged), this, &GatherWindow::applySettings);
    connect(clipSpin, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this, &GatherWindow::applySettings);
    connect(save, &QToolButton::clicked, this, &GatherWindow::saveAs);
    // Connected after the viewer's own slot, so the table already shows the new shot.
    connect(shotCombo, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this] {
        if (isVisible())
            readShot();
    });
    connect(viewer, &QDialog::finished, this, &QWidget::close);
}

void GatherWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    readShot();
}

GatherWindow::~GatherWindow()
{
    // The reader works on this window's members until it is done.
    reader.waitForDone();
}

void GatherWindow::readShot()
{
    const int index = shotCombo->currentIndex();
    if (index < 0 || index >= shots.size())
        return;
    if (!inspected) {
        // The file's geometry once: it does not change while the viewer shows it.
        inspected = true;
        QFile file(segyPath);
        if (file.open(QIODevice::ReadOnly))
            geometry = inspectSegy(file);
        else
            fileProblem = file.errorString();
        if (geometry.readable) {
            const int length = int(qMin<qint64>(kMaxTimeMs, qMax<qint64>(0, geometry.samples - 1) * geometry.sampleIntervalUs / 1000));
            endSpin->setValue(length > 0 ? length : int(qMin<qint64>(kMaxTimeMs, geometry.samples)));
        }
    }
    // The viewer gives every shot a fresh model, and with it a fresh selection model; the traces
    // take its selection once they are in.
    disconnect(selectionWatch);
    if (QItemSelectionModel *selection = table->selectionModel())
        selectionWatch = connect(selection, &QItemSelectionModel::selectionChanged, this, &GatherWindow::followSelection);
    // One read at a time: the shot that the viewer has moved on to meanwhile is read next.
    if (!isReading())
        startRead(index);
}

void GatherWindow::startRead(int index)
{
    const ShotEntry shot = shots.at(index);
    if (!fileProblem.isEmpty()) {
        ShotGather gather;
        gather.entry = shot;
        nextPlot.setGather(std::move(gather));
        showRead(fileProblem);
        return;
    }
    readIndex = index;
    // The settings and the size before the read, which takes the picture's samples trace by trace at them.
    nextPlot.setSettings(controlSettings());
    reader.start([this, shot, size = canvas->size(), decoder = TraceDecoder(layout, geometry.byteOrder)] {
        QString problem;
        nextPlot.readGather(segyPath, geometry, decoder, shot, size, &problem);
        QMetaObject::invokeMethod(this, [this, problem] { showRead(problem); }, Qt::QueuedConnection);
    });
}

void GatherWindow::showRead(const QString &problem)
{
    readIndex = -1;
    std::swap(gatherPlot, nextPlot);
    // Settings changed during the read apply now; the picture's samples are taken again if they move them.
    gatherPlot.setSettings(controlSettings());
    gatherPlot.setTitle(QFileInfo(segyPath).fileName());
    message->setText(problem.isEmpty() ? QString() : tr("Cannot show the traces of %1: %2").arg(segyPath, problem));
    message->setVisible(!problem.isEmpty());
    setWindowTitle(tr("Traces of FFID %1").arg(gatherPlot.gather().entry.ffid));
    followSelection();
    const int index = shotCombo->currentIndex();
    if (isVisible() && index >= 0 && index < shots.size() && shots.at(index).firstTrace != gatherPlot.gather().entry.firstTrace)
        startRead(index);
}

GatherSettings GatherWindow::controlSettings() const
{
    GatherSettings settings;
    settings.style = GatherStyle(styleCombo->currentIndex());
    settings.agcMs = agcSpin->value();
    settings.clipPercentile = clipSpin->value();
    settings.startMs = startSpin->value();
    settings.endMs = endSpin->value();
    settings.lmoVelocity = velocitySpin->value();
    settings.label = TraceLabel(labelCombo->currentIndex());
    return settings;
}

void GatherWindow::applySettings()
{
    gatherPlot.setSettings(controlSettings());
    redraw();
}

void GatherWindow::followSelection()
{
    QVector<int> rows;
    if (const QItemSelectionModel *selection = table->selectionModel()) {
        for (const QModelIndex &index : selection->selectedRows())
            rows.append(index.row());
    }
    std::sort(rows.begin(), rows.end());
    gatherPlot.setSelected(rows);
    redraw();
}

void GatherWindow::selectTrace(int trace, bool toggle)
{
    QItemSelectionModel *selection = table->selectionModel();
    if (!selection || !table->model() || trace >= table->model()->rowCount())
        return;
    const QModelIndex index = table->model()->index(trace, 0);
    selection->select(index, (toggle ? QItemSelectionModel::Toggle : QItemSelectionModel::ClearAndSelect)
                                     | QItemSelectionModel::Rows);
    table->scrollTo(index);
}

bool GatherWindow::saveImage(const QString &path) const
{
    return gatherPlot.image(canvas->size()).save(path, "PNG");
}

void GatherWindow::saveAs()
{
    const QFileInfo segy(segyPath);
    const QString suggested = segy.dir().filePath(
            QStringLiteral("%1-ffid%2.png").arg(segy.completeBaseName()).arg(gatherPlot.gather().entry.ffid));
    QString path = QFileDialog::getSaveFileName(this, tr("Save the traces as PNG"), suggested, tr("PNG images (*.png)"));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".png");
    if (!saveImage(path))
        QMessageBox::warning(this, QObject::tr("Error"), QObject::tr("Error: fail to create the file: %1").arg(path));
}

void GatherWindow::redraw()
{
    canvas->refresh();
}
