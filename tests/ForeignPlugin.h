#pragma once

#include <QObject>

// A real Qt plug-in of an interface that is not the host's: the host must refuse it by name.
class ForeignPlugin final : public QObject
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.example.foreign.ForeignInterface")
};
