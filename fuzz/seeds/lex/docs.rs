#![allow(dead_code)]
/// Doc with \ and  and  and  .
struct S<'a>(&'a str);
