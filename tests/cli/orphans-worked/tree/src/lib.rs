mod a;
