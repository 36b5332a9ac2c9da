fn admin() {}
