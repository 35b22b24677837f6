#pragma once
#include <QString>

// Text of a string-table entry; empty for an unknown id. The table itself
// lives with the other resources.
QString LoadString(int id);
