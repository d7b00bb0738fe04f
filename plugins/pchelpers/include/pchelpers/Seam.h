#pragma once

// A seam is one interface through which a plug-in reaches one area of Windows
// (the machine basics of Platform, the network, the directory services ...).
// The area's interface class declares `static Api& real();`, defined beside
// the implementation that calls Windows. Plug-ins call `Seam<Api>::current()`;
// tests put a recorded implementation in force with a ScopedSeam.
//
// The helpers are compiled into each module that uses them, so every module
// keeps its own seams.
template <class Api>
class ScopedSeam;

template <class Api>
class Seam {
 public:
  static Api& current() { return active_ ? *active_ : Api::real(); }

 private:
  friend class ScopedSeam<Api>;
  inline static Api* active_ = nullptr;
};

// For its lifetime, every call through Seam<Api> goes to `api`.
template <class Api>
class ScopedSeam {
 public:
  explicit ScopedSeam(Api& api) : previous_(Seam<Api>::active_) { Seam<Api>::active_ = &api; }
  ~ScopedSeam() { Seam<Api>::active_ = previous_; }
  ScopedSeam(const ScopedSeam&) = delete;
  ScopedSeam& operator=(const ScopedSeam&) = delete;

 private:
  Api* previous_;
};
