fn broken( {
