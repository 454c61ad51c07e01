// The save window: drive, folder, file name and type, and the icon drawn large.
#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>

class frm_SaveBox : public QDialog {
    Q_OBJECT
  public:
    explicit frm_SaveBox(QWidget* parent = nullptr);
    ~frm_SaveBox() override;

    void DataToSaveWindow(QString displayDirectory, QString iconGotFromFile, std::int32_t iconIndex = 0,
                          std::int16_t ListDisplayType = -1);
    QString IconImageInDir() const;

  private:
    QString saveDirectory;
    QString sourceFile;
    std::int32_t sourceIconIndex = 0;
};
