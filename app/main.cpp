#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("Quillbox is being built: the main window comes soon."));
    label.setWindowTitle(QStringLiteral("Quillbox"));
    label.setMargin(24);
    label.show();
    return app.exec();
}
