#pragma once
#define IDS_SO_TEXT 100
#define IDS_QUESTION 101
