#include "app/core/core_text.h"

#include <QCoreApplication>
#include <QString>
#include <vector>

namespace app {

std::u16string translated(const char* source, std::initializer_list<std::u16string_view> args) {
  const std::u16string text = QCoreApplication::translate("zedez", source).toStdU16String();
  const std::vector<std::u16string_view> values(args);
  std::u16string filled;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'%' && i + 1 < text.size() && text[i + 1] >= u'1' && text[i + 1] <= u'9') {
      const auto index = static_cast<std::size_t>(text[i + 1] - u'1');
      if (index < values.size()) {
        filled += values[index];
        ++i;
        continue;
      }
    }
    filled += text[i];
  }
  return filled;
}

}  // namespace app
