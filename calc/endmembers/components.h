// The formula-to-component conversion lives with the end-member records now
// (calc/thermo/components.h), where the equilibrium equations can reach it.
#pragma once

#include "calc/thermo/components.h"
