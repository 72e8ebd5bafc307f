// Prints ProgramIdentity::programFolder(), the folder profiles are read from.
#include "ProgramIdentity.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    std::fputs(ProgramIdentity::programFolder().toUtf8().constData(), stdout);
    return 0;
}
