// Prints the dictionary query a run sends, so that the scripts compare the server's log with the
// program's own text instead of a copy of it.
#include "OracleSql.h"

#include <cstdio>

int main()
{
    std::fputs(OracleSql::indexListQuery().toUtf8().constData(), stdout);
    return 0;
}
