#pragma once
// Point sources of a scalar field, each worth strength / squared distance, and the list
// that sums them.

#include <cstdint>
#include <memory>
#include <vector>

#include "base/math.h"

namespace orvanta {

// The sources are only ever of this one kind; `final` lets the list own them through the
// base type without a virtual destructor.
class FieldSource final {
 public:
  float strength = 0.0f;  // numerator of the field: the square of the strength asked for
  Vec3 position;

  explicit FieldSource(float storedStrength) : strength(storedStrength) {}

  // strength / squared distance from the centre; infinite at the centre itself.
  virtual float value(float x, float y, float z) const;
  virtual void setPosition(float x, float y, float z);
};

class FieldSourceList {
 public:
  int32_t count = 0;

  // Adds a source of strength * strength at the origin; returns its index.
  int32_t addSource(float strength);
  // Indices outside 0 ... count - 1 are ignored.
  void setSourcePosition(int32_t index, float x, float y, float z);
  // Sum of every source's value, in index order, rounded to float after each addition.
  float valueAt(float x, float y, float z) const;

  const FieldSource* const* data() const { return sources_.empty() ? nullptr : &sources_[0]; }
  ~FieldSourceList();

  FieldSourceList() = default;
  FieldSourceList(const FieldSourceList&) = delete;
  FieldSourceList& operator=(const FieldSourceList&) = delete;

 private:
  std::vector<FieldSource*> sources_;  // owned, in the order of addition
};

}  // namespace orvanta
