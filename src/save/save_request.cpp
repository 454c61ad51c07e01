// The request to save one icon.
#include "app/frm_Vantorel.h"

void frm_Vantorel::menu_SaveIcon_Click() {}
