#include "ZnGeneralPlugin.h"

ZnGeneralPlugin::ZnGeneralPlugin() = default;

ZnGeneralPlugin::~ZnGeneralPlugin() = default;

bool ZnGeneralPlugin::needProject() const
{
    // Most general tools read or write the project's values, so the safe answer is yes.
    return true;
}
