// The tests' 3DS chunk writer is the asset library's.
#pragma once

#include "assets/TdsWriter.h"

using assets::TdsWriter;
