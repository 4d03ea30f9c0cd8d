#include "platform/shell.h"

#include <QDesktopServices>
#include <QUrl>

namespace tavrelis::platform {

namespace {

class DesktopOpener : public FolderOpener {
public:
    bool open_folder(const QString& folder) override {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
    }
};

DesktopOpener desktop;
FolderOpener* installed = nullptr;

} // namespace

FolderOpener& folder_opener() {
    return installed ? *installed : desktop;
}

void set_folder_opener(FolderOpener* opener) {
    installed = opener;
}

bool open_folder(const QString& folder) {
    return folder_opener().open_folder(folder);
}

OpenerScope::OpenerScope(FolderOpener& opener) : previous_(installed) {
    installed = &opener;
}

OpenerScope::~OpenerScope() {
    installed = previous_;
}

} // namespace tavrelis::platform
