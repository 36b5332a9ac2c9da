impl S { m!try(); }
