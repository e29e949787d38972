local flashSectorSize = 0x10000;

local Installer = {};
Installer.TotalSize      = 0;
Installer.InProgressSize = 0;

function Installer:notify()
	self.InProgressSize = self.InProgressSize + flashSectorSize;

	local progress = self.InProgressSize / self.TotalSize * 100;
	if(progress > 100) then
		progress = 100;
	end;
	progress = tonumber(string.format("%d", progress));

	self.callback(0x01, progress);
end

function Installer:preInstall()
	local board = Global.Hardware.board;
	return true;
end

function Installer:postInstall()
end

function Installer:updateVendor(part, filename)
	local myfile = self.ZipArchive:open(filename);

	if(not myfile) then
		print(string.format("%s not exist", filename));
		return ;
	end

	local addr   = part.baseAddr;
	local endAddr= part.endAddr;
	local data;

	while(addr < endAddr) do
		mtd.erase(addr);
		data = myfile:read(flashSectorSize);

		if(data) then
			mtd.write(addr, data);
			self:notify();
		end

		addr   = addr   + flashSectorSize;
	end
	myfile:close();
end

function Installer:execute()

	local flashPartions =
	{
@FLASH_PARTITIONS@
	}

	assert(self.ZipArchive);
	local zfile = self.ZipArchive;

	local ret, info = self:preInstall();
	if(not ret) then
		return false, info;
	end

	local TotalSize = 0;
	for file in zfile:files() do
		print(file.filename);
		TotalSize = TotalSize + file.uncompressed_size;
	end
	self.TotalSize  = TotalSize;
	mtd.init();
	self:updateVendor(flashPartions["logo"],  "logo.cramfs");
	self:updateVendor(flashPartions["web"],  "web.cramfs");
	self:updateVendor(flashPartions["custom"],  "custom.cramfs");
	self:postInstall();
	return true;
end

return Installer;
