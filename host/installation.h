#pragma once

#include <QString>

namespace host {

// The default host installation: a folder under the per-user data folder.
QString default_installation();

} // namespace host
