// The physics test fixture, kept under its old name for the tests that
// include it from here.
#pragma once

#include "support/PhysicsFixture.h"
