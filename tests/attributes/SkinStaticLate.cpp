#include "tests/attributes/SkinTestObjects.h"

namespace {
CTestSkin g_lateSkin("LateStaticSkin");
}

CTestSkin& LateStaticSkin() { return g_lateSkin; }
