int zentrova_test_symbolless_library(void) { return 0; }
