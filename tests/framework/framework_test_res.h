// Templates of the framework tests.
#pragma once

#define IDD_TEST_FORM 200     // at 0, 0: centred by the framework
#define IDD_TEST_PLACED 201   // at 40, 30: left where it is
#define IDC_TEST_TEXT 1000
#define IDC_TEST_NUMBER 1001
#define IDC_TEST_BUTTON 1002
#define IDC_TEST_THROW_MEMORY 1003
#define IDC_TEST_THROW_OTHER 1004
