#pragma once

#include <QString>
#include <QStringList>

namespace tavrelis::platform {

// Opens a folder in the desktop's file manager (on Windows, explorer.exe).
class FolderOpener {
public:
    virtual ~FolderOpener() = default;
    // False when there is nothing to open it with.
    virtual bool open_folder(const QString& folder) = 0;
};

// The opener in force: the desktop's unless a host or test put another in place.
FolderOpener& folder_opener();
void set_folder_opener(FolderOpener* opener); // nullptr restores the desktop's

bool open_folder(const QString& folder);

// Records the folders instead of opening them; for tests and scripted sessions.
class RecordingOpener : public FolderOpener {
public:
    QStringList opened;
    bool open_folder(const QString& folder) override {
        opened.append(folder);
        return true;
    }
};

// Puts an opener in place for a scope.
class OpenerScope {
public:
    explicit OpenerScope(FolderOpener& opener);
    ~OpenerScope();
    OpenerScope(const OpenerScope&) = delete;
    OpenerScope& operator=(const OpenerScope&) = delete;

private:
    FolderOpener* previous_;
};

} // namespace tavrelis::platform
