// Resource ids of the frame strips written by make_test_strips.py for the skin tests.
#pragma once

#define IDB_TEST_PATTERN 301  // 24-bit, five 10 x 8 frames, every pixel a colour of its own
#define IDB_TEST_KEYED 302    // the same with magenta pixels scattered over every frame
#define IDB_TEST_ODD 303      // 24-bit, 53 x 8: three columns past the fifth 10-wide frame
#define IDB_TEST_KEYED8 304   // 8-bit palette, five 6 x 6 frames, with magenta pixels
#define IDB_TEST_HOLES 305    // 24-bit, five 12 x 8 frames: left half magenta, right half one colour
