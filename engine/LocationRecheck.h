#pragma once
// The look again at the install folder's parents and the folder itself, made by the worker
// once the missing levels exist and before the first file goes in. The question in the
// window, or the deployment's switch, was answered well before: a level that someone else
// made in between (any user may add folders to the root of the system drive) would
// otherwise be used as it stands.

#include <string>

#include "engine/InstallWorker.h"

// True when nothing on the way to `target` can be replaced by others, or when the job says
// that the user accepted it. Logs what was found otherwise. Where the system keeps no
// owners (Wine) nothing can be told, and the look is left out.
[[nodiscard]] bool IsLocationAccepted(const InstallJob& job, const std::wstring& target);
