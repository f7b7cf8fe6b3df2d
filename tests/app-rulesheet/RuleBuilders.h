// Rules, groups and conditions in one line, and their comparison, for the
// rule sheet's tests.
#pragma once

#include "Core/model/Model.h"

#include <string>
#include <vector>

namespace olva::test {

inline Condition cond(Attr attr, Op op, std::string value) { return {attr, op, std::move(value)}; }
inline Group all(std::vector<Node> items) { return {Group::Mode::all, std::move(items)}; }
inline Group any(std::vector<Node> items) { return {Group::Mode::any, std::move(items)}; }
inline Group none(std::vector<Node> items) { return {Group::Mode::none, std::move(items)}; }

// Groups compare by their JSON form, which holds every field.
inline std::string json(const Group& group) { return toJson(group).dump(); }
inline std::string json(const Rule& rule) { return toJson(rule).dump(); }

}  // namespace olva::test
