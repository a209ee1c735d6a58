#pragma once

#include <ZnProjectManager.h>

#include <QTemporaryDir>

/// A project of its own with nothing stored, opened as the current one, and a folder for the
/// files a case writes; both go when the case ends.
struct ScratchProject
{
    QTemporaryDir projectDir;
    QTemporaryDir dataDir;

    bool open()
    {
        return projectDir.isValid() && dataDir.isValid()
                && ZnProjectManager::instance().openProject(projectDir.path());
    }
};
