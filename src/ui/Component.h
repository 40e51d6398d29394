// The base of everything a form owns by name: non-visual components (tables,
// data sources, state stores) and, through TWindow, controls and forms.
//
//   TFormPlacement placement(form, "MainFormStorage");
//   form.AddComponent(placement);   // form.FindComponent("MainFormStorage")
#pragma once

#include <string>

class TForm;

class TComponent {
public:
    explicit TComponent(std::string name = {}) : name_(std::move(name)) {}
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;
    virtual ~TComponent() = default;

    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }

    // Called once the owning form's design is loaded and its window exists,
    // before the form's creation handler runs.
    virtual void Loaded() {}

private:
    std::string name_;
};
