#pragma once

#include "platform/visa/Visa.h"

#include <memory>

// Creates the resource manager in two steps, the first that works wins:
//  1. the system's VISA library, loaded at run time (libvisa.so, libvisa.so.0,
//     librsvisa.so, libiovisa.so; VAULTLINE_VISA_LIBRARY naming a file is
//     tried instead of these names);
//  2. the built-in resource manager.
// VAULTLINE_VISA_PROVIDER=system or =builtin allows only that one. Null when
// nothing could be created; nothing is reported then.
std::shared_ptr<IResourceManager> CreateResourceManager();
