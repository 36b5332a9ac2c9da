mod foo;
