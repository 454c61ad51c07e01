// The display's text and background colours.
#include "app/frm_Vantorel.h"

void frm_Vantorel::menu_ColourForground_Click() {}

void frm_Vantorel::menu_ColourBackground_Click() {}
