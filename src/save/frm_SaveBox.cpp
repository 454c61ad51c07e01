#include "save/frm_SaveBox.h"

frm_SaveBox::frm_SaveBox(QWidget* parent) : QDialog(parent) {}
frm_SaveBox::~frm_SaveBox() = default;

void frm_SaveBox::DataToSaveWindow(QString displayDirectory, QString iconGotFromFile,
                                   std::int32_t iconIndex, std::int16_t) {
    saveDirectory = displayDirectory;
    sourceFile = iconGotFromFile;
    sourceIconIndex = iconIndex;
}

QString frm_SaveBox::IconImageInDir() const { return saveDirectory; }
