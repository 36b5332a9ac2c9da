fn helper() {}
