// The floor of a start-up: a bare Qt Widgets window of the program's size,
// nothing in it; with --label, one label with the program's first caption, so
// that the window also pays for the first text it draws (loading fonts).

#include <QApplication>
#include <QLabel>
#include <QWidget>

#include <cstring>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setFixedSize(494, 163); // the program's client area: 7410 x 2445 twips
    if (argc > 1 && std::strcmp(argv[1], "--label") == 0)
        (new QLabel(QStringLiteral("Base de Datos"), &window))->setGeometry(8, 8, 401, 17);
    window.show();
    return app.exec();
}
