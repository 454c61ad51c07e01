// The About text.
#include "app/frm_Vantorel.h"

void frm_Vantorel::menu_AboutApp_Click() {}
