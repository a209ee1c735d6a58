#pragma once

#include "SegyWriter.h"

#include <QString>
#include <QVector>
#include <QtGlobal>

/// A synthetic 2D line: shots along a straight line, each recorded by the same number of
/// channels, written as a SEG-Y file whose trace headers carry a full, consistent geometry.
class SegyLine
{
public:
    /// A source header that can be made to vary inside a shot.
    enum class SourceField { SElev, SDepth, SourceX, SourceY, SLine, SStat };

    /// A shot (from 0) whose source header varies from channel to channel.
    struct Inconsistency
    {
        int shot;
        SourceField field;
    };

    /// A raw value stored over the line's own values at a 1-based header position, for the
    /// traces firstTrace to lastTrace (from 0, inclusive; lastTrace -1 runs to the end).
    struct Override
    {
        int firstTrace;
        int lastTrace;
        int position;
        int length;
        qint64 value;
    };

    /// A value for the binary header at its absolute 1-based file position (3201 to 3600).
    struct BinaryValue
    {
        int position;
        int length;
        qint64 value;
    };

    SegyWriter::Layout layout;
    int traces = 100;
    int channels = 0;                // traces per shot; 0 puts every trace into one shot
    int ffidStart = 1;
    int ffidStep = 1;
    QVector<qint32> ffids;           // the FFID of every trace; replaces the runs when not empty
    int channelStart = 1;
    double originX = 500000.0;       // first shot, metres
    double originY = 6500000.0;
    double azimuthDegrees = 90.0;    // direction of the line, clockwise from north
    double shotSpacing = 25.0;
    double groupSpacing = 12.5;
    double nearOffset = 0.0;         // signed distance along the line from the shot to channel 1
    int coordScalar = -100;          // bytes 71-72: coordinates stored as metres / 100 (centimetres)
    double elevation = 100.0;        // elevation at the origin, also the statics datum
    double relief = 0.0;             // amplitude of the smooth topography around it
    double sourceDepth = 0.0;
    qint32 sourceLine = 0;
    qint32 groupLine = 0;
    int sourceStatic = 0;            // milliseconds, when not taken from the elevation
    int groupStatic = 0;
    double staticVelocity = 0.0;     // above 0: statics are the elevation above the datum at this speed
    // Above 0: every trace gets samples of its own, a shot record whose first breaks arrive at
    // interceptMs + |offset| / firstBreakVelocity (the refraction that linear moveout at this
    // velocity flattens), with hyperbolic reflections below; 0 repeats the layout's wiggle.
    double firstBreakVelocity = 0.0; // metres per second
    double interceptMs = 0.0;
    QVector<Inconsistency> inconsistent;
    QVector<Override> overrides;
    QVector<BinaryValue> binaryValues;

    /// The demo line: 40 shots of 120 channels of rolling land geometry, three of them inconsistent.
    static SegyLine demo();

    /// Traces in one shot.
    int tracesPerShot() const;
    /// The FFID of a trace (from 0).
    qint32 ffidOf(int trace) const;
    /// Builds the header of a trace (from 0); false, with a message, when a value does not fit its field.
    bool header(int trace, SegyTraceHeader *header, QString *error) const;
    /// Checks the parameters and every trace's values; false, with a message, at the first fault.
    bool validate(QString *error) const;
    /// Writes the file; nothing is created when validate() fails.
    bool write(const QString &path, QString *error) const;

    /// The field named as segygen's --inconsistent takes it ("s_elev", "source_x", ...).
    static bool sourceFieldFromName(const QString &name, SourceField *field);
    static QString sourceFieldName(SourceField field);
};
