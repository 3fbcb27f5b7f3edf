#include <QApplication>

#include "main/untPrincipal.h"

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Trajetix"));
    frmPrincipal = new TfrmPrincipal;
    frmPrincipal->show();
    const int rc = app.exec();
    delete frmPrincipal;
    return rc;
}
