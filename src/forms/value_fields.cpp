// The decimal and hexadecimal value fields keep each other in step; the
// decimal one stores the byte for the selected page and flag.
#include "forms/main.h"
#include "forms/value_readers.h"
#include "project/tables.h"

void TForm1::Edit2Change(TObject*) {
  const uint32_t v = static_cast<uint32_t>(ReadDecimalField(Edit2->Text().toStdString())) & 255u;
  Edit2->SetText(QString::number(v));
  Edit3->SetText(QString::number(v, 16));
  const int page = TabControl1->TabIndex();
  const int flag = ComboBox1->ItemIndex();
  if (page >= 0 && flag >= 0) FlagValues[page][flag] = static_cast<int32_t>(v);
}

void TForm1::Edit3Change(TObject*) {
  const uint32_t v = static_cast<uint32_t>(ReadHexField(Edit3->Text().toStdString())) & 255u;
  Edit3->SetText(QString::number(v, 16));
  Edit2->SetText(QString::number(v));
}
