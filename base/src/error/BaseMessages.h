// The framework's message table (ids 6000-6077).
#pragma once

#include "util/VxMessageTable.h"

const VxMessageTable& baseMessageTable();
