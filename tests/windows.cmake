# Tests of the Windows build, each run under Wine.
quorvix_test(numtext_test numtext/numtext_test.cpp)
