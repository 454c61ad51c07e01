// Loading a file by a drop or through the open-file dialog.
#include "app/frm_Vantorel.h"

void frm_Vantorel::Form_OLEDragDrop(DropData& Data, std::int32_t& Effect, std::int16_t& Button,
                                    std::int16_t& Shift, float& x, float& y) {
    pic_IconDisplay_OLEDragDrop(Data, Effect, Button, Shift, x, y);
}

void frm_Vantorel::pic_IconDisplay_OLEDragDrop(DropData&, std::int32_t&, std::int16_t&,
                                               std::int16_t&, float&, float&) {}

void frm_Vantorel::menu_FileLoadBox_Click() {}

std::int32_t frm_Vantorel::fileLength(const QString&) const { return -1; }
