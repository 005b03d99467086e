#include "iso/field_source.h"

namespace orvanta {

float FieldSource::value(float x, float y, float z) const {
  const float dx = x - position.x;
  const float dy = y - position.y;
  const float dz = z - position.z;
  return strength / (dx * dx + dy * dy + dz * dz);
}

void FieldSource::setPosition(float x, float y, float z) {
  position.x = x;
  position.y = y;
  position.z = z;
}

FieldSourceList::~FieldSourceList() {
  for (FieldSource* source : sources_) delete source;
}

int32_t FieldSourceList::addSource(float strength) {
  sources_.push_back(new FieldSource(strength * strength));
  count = static_cast<int32_t>(sources_.size());
  return count - 1;
}

void FieldSourceList::setSourcePosition(int32_t index, float x, float y, float z) {
  if (index < 0 || index >= count) return;
  sources_[static_cast<size_t>(index)]->setPosition(x, y, z);
}

float FieldSourceList::valueAt(float x, float y, float z) const {
  float sum = 0.0f;
  for (const FieldSource* source : sources_) sum += source->value(x, y, z);
  return sum;
}

}  // namespace orvanta
