program hello;
uses SysUtils;
var i: Integer;
begin
  WriteLn(ParamCount, ' argument(s)');
  for i := 1 to ParamCount do WriteLn(Length(ParamStr(i)));
end.
