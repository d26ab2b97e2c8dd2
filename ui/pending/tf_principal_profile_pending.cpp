// Stand-ins for the listener-profile handlers until their file lands; built only while
// ui/tf_principal_profile.cpp is missing.

#include "tf_principal.h"

void TF_Principal::RunGreetingStep() {}
void TF_Principal::Image_Edita_Nome_OuvinteClick(QObject*) {}
void TF_Principal::Spb_ConfirmaClick(QObject*) {}
void TF_Principal::Spb_CancelarClick(QObject*) {}
void TF_Principal::Layout_PedidoClick(QObject*) {}
void TF_Principal::Image_PromocaoClick(QObject*) {}
void TF_Principal::setNameText(const QString& text) {
    nameText_ = text;
}
void TF_Principal::setEmailText(const QString& text) {
    emailText_ = text;
}
void TF_Principal::setNotificationsOn(bool on) {
    notificationsOn_ = on;
}
