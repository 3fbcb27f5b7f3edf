#include "main/untPrincipal.h"

TfrmPrincipal *frmPrincipal = nullptr;

TfrmPrincipal::TfrmPrincipal(QWidget *parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Trajetix"));
}
