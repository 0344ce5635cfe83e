#include "tests/attributes/SkinTestObjects.h"

namespace {
CTestSkin g_earlySkin("EarlyStaticSkin");
}

CTestSkin& EarlyStaticSkin() { return g_earlySkin; }
