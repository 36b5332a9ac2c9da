type C<> = u8 where;
