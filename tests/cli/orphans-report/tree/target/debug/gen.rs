fn built() {}
