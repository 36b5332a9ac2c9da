fn hidden() {}
