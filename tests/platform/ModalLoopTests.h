// Resources of the modal loop tests (ModalLoopTests.rc).
#pragma once

#define IDD_MODAL_TEST 300
