#include "sigdb/scramble.h"

#include <algorithm>

namespace vantric {
namespace {

template <typename Transform>
void TransformRecord(TLangDefinition& record, Transform transform) {
  for (ShortString& field : record.fields) {
    field.length = static_cast<std::uint8_t>(std::min<std::size_t>(field.length, ShortString::kCapacity));
    for (std::size_t i = 0; i < field.length; ++i) {
      field.chars[i] = static_cast<char>(transform(static_cast<std::uint8_t>(field.chars[i])));
    }
  }
}

}  // namespace

void UnscrambleRecord(TLangDefinition& record) { TransformRecord(record, UnscrambleByte); }
void ScrambleRecord(TLangDefinition& record) { TransformRecord(record, ScrambleByte); }

}  // namespace vantric
