// A project: the structural model of the tank and the project settings.
// Filed as the settings' record first, then the tank's.
#pragma once

#include "platform/Morlak.h"
#include "platform/Quenby.h"
#include "platform/Zarvel.h"

class Project {
 public:
  Project() = default;
  virtual ~Project() = default;

  Tank& GetTank() { return m_tank; }
  const Tank& GetTank() const { return m_tank; }
  ProjectSettings& GetSettings() { return m_settings; }
  const ProjectSettings& GetSettings() const { return m_settings; }

  void Serialize(Archive& ar) {
    if (ar.IsStoring()) {
      ar << m_settings;
      ar << m_tank;
    } else {
      ar >> m_settings;
      ar >> m_tank;
    }
  }

  // Takes over the other project's contents; model objects keep their
  // identity.
  void Swap(Project& other) noexcept {
    m_tank.Swap(other.m_tank);
    std::swap(m_settings, other.m_settings);
  }

 private:
  Tank m_tank;
  ProjectSettings m_settings;
};
