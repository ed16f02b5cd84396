// CTxtFileDialog: the open and save dialog for text files. It is the
// platform's file dialog in its own (not the desktop's) form, so that it can
// carry the encoding box below the type list: in the open dialog
// "Auto detect text-encoding" and the listed code pages, in the save dialog
// the listed code pages with the current one selected (TextEncoding.h says
// which entry is selected). Accepting a file takes the entry's code page
// into m_nCodePage and sets or clears g_bExplicitCodePage.
//
// Threads: the user-interface thread.
#pragma once

#include <QFileDialog>
#include <cstdint>

class QComboBox;
class QLabel;

class CTxtFileDialog : public QFileDialog {
  Q_OBJECT

 public:
  CTxtFileDialog(bool open, QWidget* parent);

  // The code page chosen; the system code page until a file is accepted.
  uint32_t m_nCodePage;
  QComboBox* m_cbEncoding = nullptr;
  QLabel* m_pEncodingLabel = nullptr;

 protected:
  void done(int result) override;

 private:
  void OnInitDialog();
  // The dialog has checked the name: take the encoding box's choice.
  void OnFileNameOK();

  bool m_bOpen;
};
